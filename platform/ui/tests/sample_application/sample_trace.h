// What the sample application's objects did, in order ("view: Copy",
// "document deleted", ...): the record its tests read to see which target
// took a command and in which order windows and documents went.
#pragma once

#include <string>
#include <vector>

// The entries so far. Tests clear it between steps.
std::vector<std::string>& SampleTrace();
void AddSampleTrace(std::string entry);
