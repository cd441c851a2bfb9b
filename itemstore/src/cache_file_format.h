// The item cache file's format in one include: location and header, element
// names, item records and children lists.
#pragma once

#include "cache_errors.h"
#include "itemstore/cache_location.h"
#include "itemstore/children_codec.h"
#include "itemstore/element_names.h"
#include "record_codec.h"
