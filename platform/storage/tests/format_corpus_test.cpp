// The corpus in corpus/: files in pass/ load and read whole, files in fail/
// are refused. The program storage_corpus_writer (tests/tools/) writes them.
#include "format_test_support.h"

namespace formattest {
namespace {

const fs::path kCorpus = fs::path(STORAGE_TESTS_DIR) / "corpus";

TEST(FormatCorpusTest, PassFilesLoadAndFailFilesAreRefused) {
    int files = 0;
    for (const char* folder : {"pass", "fail"}) {
        const bool pass = std::string(folder) == "pass";
        for (const auto& entry : fs::directory_iterator(kCorpus / folder)) {
            SCOPED_TRACE(entry.path().string());
            ++files;
            std::unique_ptr<Tree> tree;
            const HRESULT hr = LoadFile(entry.path(), &tree);
            if (pass) {
                ASSERT_EQ(S_OK, hr);
                ReadEverything(*tree);
            } else {
                EXPECT_TRUE(hr == STG_E_DOCFILECORRUPT || hr == STG_E_FILEALREADYEXISTS) << std::hex << hr;
            }
        }
    }
    EXPECT_GE(files, 10);
}

}  // namespace
}  // namespace formattest
