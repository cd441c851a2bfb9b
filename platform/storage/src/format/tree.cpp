#include "format/tree.h"

namespace storage::format {

Tree::Tree() : root_(std::make_unique<Element>(ElementType::Root, u"Root Entry")), majorVersion_(kVersion4) {}

}  // namespace storage::format
