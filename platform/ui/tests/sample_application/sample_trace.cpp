#include "sample_application/sample_trace.h"

std::vector<std::string>& SampleTrace() {
    static std::vector<std::string> trace;
    return trace;
}

void AddSampleTrace(std::string entry) { SampleTrace().push_back(std::move(entry)); }
