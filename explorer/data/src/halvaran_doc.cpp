#include "explorer/data/halvaran_doc.h"

CHalvaranDoc::CHalvaranDoc() = default;

CHalvaranDoc::~CHalvaranDoc() = default;
