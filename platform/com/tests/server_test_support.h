// Helpers of the server-helper tests: reading back what registration wrote.
#pragma once

#include "testsupport/registry_values.h"
#include "winapi/errors.h"
#include "winapi/text.h"

namespace server_test {

using testsupport::DumpRegistry;
using testsupport::KeyExists;
using testsupport::ReadDword;
using testsupport::ReadText;
using testsupport::WriteText;

}  // namespace server_test
