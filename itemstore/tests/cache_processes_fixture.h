// A cache file shared by real processes: the test's own scopes and those of
// item_cache_lock_child programs it starts on the same file.
#pragma once

#include "itemstore/item_cache_file.h"

#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"

#include <memory>
#include <string>
#include <vector>

class CacheProcessesTest : public testsupport::FreshMachineTest {
protected:
    std::string path_ = (machine_.root() / "shared.Items").string();
    std::u16string Path() const { return std::u16string(path_.begin(), path_.end()); }

    // The lock child on this cache file with `args` (see item_cache_lock_child.cpp).
    std::unique_ptr<testsupport::ChildProcess> Start(const std::vector<std::string>& args) {
        std::vector<std::string> all{path_};
        all.insert(all.end(), args.begin(), args.end());
        return std::make_unique<testsupport::ChildProcess>(testsupport::SiblingProgram("item_cache_lock_child"), all);
    }
};
