#include "explorer/data/lists.h"

template class Lst<_bstr_t>;
template class Lst<unsigned int>;
