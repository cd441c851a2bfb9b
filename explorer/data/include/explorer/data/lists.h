// The lists the explorer keeps in the stored-procedure layer's list template:
// error texts (one per failed item of a command) and id lists. They are made
// once, in the data layer, rather than in every file that uses them.
#pragma once

#include "common/lst.h"

#include "com/bstr_t.h"

extern template class Lst<_bstr_t>;
extern template class Lst<unsigned int>;
