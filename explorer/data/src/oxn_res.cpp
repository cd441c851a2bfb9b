#include "explorer/data/oxn_res.h"

OxnRes::~OxnRes() {
    for (HMODULE* module : {&mhModule, &mhModule2}) {
        if (*module != nullptr) FreeLibrary(*module);
        *module = nullptr;
    }
}
