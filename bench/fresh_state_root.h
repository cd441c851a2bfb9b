// A fresh machine for one benchmark run: a new folder under $TMPDIR (else
// /tmp) becomes the state root, so the registry, vaults, views and caches the
// run makes live below it and go with it.
#pragma once

#include "winapi/state_root.h"

#include <cstdio>
#include <cstdlib>
#include <string>

// The new state root, named "<name>-XXXXXX"; empty (the reason printed) when
// it cannot be made, and the state root is then left as it was.
inline std::string MakeFreshStateRoot(const char* name) {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" + name + "-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return {};
    }
    setenv(winapi::kStateRootVariable, folder.c_str(), 1);
    return folder;
}
