// Writes the corpus of tests/corpus/ anew: `storage_corpus_writer` (built
// with the tests, not run by them). Every file is made from one sample by our
// own writer; gsf-v3.cfb is not rewritten: it was written by the gsf program
// of libgsf ("gsf createole"), an independent writer. The files also seed
// the reader's fuzz target.
#include "../format_test_support.h"

#include <functional>

namespace formattest {
namespace {

const fs::path kCorpus = fs::path(STORAGE_TESTS_DIR) / "corpus";

// The sample every corpus file is made from.
void WriteSample(const fs::path& path, uint16_t version) {
    Tree tree;
    AddStream(tree.Root(), u"big", Pattern(4200, 1));
    AddStream(tree.Root(), u"small", Pattern(200, 2));
    AddStream(*AddStorage(tree.Root(), u"dir"), u"inner", Pattern(100, 3));
    ASSERT_EQ(S_OK, WriteFile(path, tree, version));
}

class FormatCorpusGenerator : public FormatFileTest {};

TEST_F(FormatCorpusGenerator, RegenerateCorpus) {
    WriteSample(kCorpus / "pass" / "v3-sample.cfb", 3);
    WriteSample(kCorpus / "pass" / "v4-sample.cfb", 4);
    WriteSample(Path("base.cfb"), 3);
    const std::vector<std::pair<const char*, std::function<void(FileImage&)>>> damaged = {
        {"fat-self-loop",
         [](FileImage& f) {
             const uint32_t start = f.Entry32(f.FindEntry("big"), kEntryStart);
             f.SetFat(start, start);
         }},
        {"fat-long-loop",
         [](FileImage& f) {
             const uint32_t start = f.Entry32(f.FindEntry("big"), kEntryStart);
             uint32_t last = start;
             while (f.Fat(last) != kEnd) last = f.Fat(last);
             f.SetFat(last, start);
         }},
        {"fat-id-out-of-range",
         [](FileImage& f) { f.SetFat(f.Entry32(f.FindEntry("big"), kEntryStart), 0x7FFFFFF0u); }},
        {"mini-fat-self-loop",
         [](FileImage& f) {
             const uint32_t start = f.Entry32(f.FindEntry("small"), kEntryStart);
             f.SetMiniFat(start, start);
         }},
        {"size-beyond-chain", [](FileImage& f) { f.SetEntry32(f.FindEntry("big"), kEntrySize, 9000); }},
        {"shared-sector",
         [](FileImage& f) {
             f.SetEntry32(f.FindEntry("inner"), kEntryStart, f.Entry32(f.FindEntry("small"), kEntryStart));
         }},
        {"directory-cycle", [](FileImage& f) { f.SetEntry32(f.FindEntry("dir"), kEntryChild, f.FindEntry("dir")); }},
        {"entry-reached-twice",
         [](FileImage& f) { f.SetEntry32(f.FindEntry("dir"), kEntryChild, f.FindEntry("small")); }},
        {"wrong-byte-order", [](FileImage& f) { f.Set16(kHeaderByteOrder, 0xFEFF); }},
        {"v3-with-4096-sectors", [](FileImage& f) { f.Set16(kHeaderSectorShift, 12); }},
        {"name-of-32-units", [](FileImage& f) { f.Set16(f.EntryAt(f.FindEntry("big")) + kEntryNameLength, 66); }},
        {"truncated", [](FileImage& f) { f.Bytes().resize(f.Bytes().size() - 1024); }},
        {"zeroed-header", [](FileImage& f) { std::fill(f.Bytes().begin(), f.Bytes().begin() + 512, 0); }},
    };
    for (const auto& [name, damage] : damaged) {
        FileImage image = FileImage::Load(Path("base.cfb"));
        damage(image);
        image.Save(kCorpus / "fail" / (std::string(name) + ".cfb"));
    }
}

}  // namespace
}  // namespace formattest
