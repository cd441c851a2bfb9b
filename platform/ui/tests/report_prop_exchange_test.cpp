// The property exchange over an archive: what is stored comes back, and a
// damaged, foreign or newer record throws CArchiveException without touching
// what it was read into.
#include "archive_file_fixture.h"

#include "ui/toolkit/report/prop_exchange.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// An object with every kind of property and a list of nested sections.
struct Sample {
    LONG number = 0;
    int small = 0;
    DWORD flags = 0;
    BOOL on = FALSE;
    CString name;
    LONGLONG big = 0;
    double ratio = 0;
    std::vector<CString> parts;

    void DoPropExchange(CXTPPropExchange* pPX) {
        pPX->ExchangeSchema(2);
        PX_Long(pPX, u"Number", number);
        PX_Int(pPX, u"Small", small);
        PX_DWord(pPX, u"Flags", flags);
        PX_Bool(pPX, u"On", on);
        PX_String(pPX, u"Name", name);
        PX_LongLong(pPX, u"Big", big);
        PX_Double(pPX, u"Ratio", ratio);
        CXTPPropExchangeSection list(pPX, u"Parts");
        DWORD count = list->ExchangeCount(u"Count", static_cast<DWORD>(parts.size()), 100);
        if (list->IsLoading()) parts.assign(count, CString());
        for (CString& part : parts) {
            CXTPPropExchangeSection item(list, u"Part");
            PX_String(item, u"Text", part);
        }
    }
};

Sample Filled() {
    Sample sample;
    sample.number = -70000;
    sample.small = 12;
    sample.flags = 0xDEADBEEF;
    sample.on = TRUE;
    sample.name = CString(std::u16string(300, u'n').c_str());  // the word-length form
    sample.big = -1234567890123;
    sample.ratio = 2.5;
    sample.parts = {CString(u"alpha"), CString(u""), CString(u"gamma")};
    return sample;
}

class ReportPropExchangeTest : public ArchiveFileTest {};

TEST_F(ReportPropExchangeTest, WhatIsStoredThroughAFileComesBackBesideOtherDataOfTheArchive) {
    std::u16string path = PathOf("sample.dat");
    Sample stored = Filled();
    Store(path, [&](CArchive& ar) {
        ar << static_cast<DWORD>(0x11111111);  // the caller's own data before and after
        CXTPPropExchangeArchive px(ar);
        EXPECT_TRUE(px.IsStoring());
        stored.DoPropExchange(&px);
        ar << static_cast<DWORD>(0x22222222);
    });

    Sample loaded;
    DWORD before = 0, after = 0;
    EXPECT_EQ(Load(path,
                   [&](CArchive& ar) {
                       ar >> before;
                       CXTPPropExchangeArchive px(ar);
                       EXPECT_TRUE(px.IsLoading());
                       loaded.DoPropExchange(&px);
                       ar >> after;
                   }),
              CArchiveException::none);
    EXPECT_EQ(before, 0x11111111u);
    EXPECT_EQ(after, 0x22222222u);
    EXPECT_EQ(loaded.number, stored.number);
    EXPECT_EQ(loaded.small, stored.small);
    EXPECT_EQ(loaded.flags, stored.flags);
    EXPECT_EQ(loaded.on, TRUE);
    EXPECT_EQ(loaded.name, stored.name);
    EXPECT_EQ(loaded.big, stored.big);
    EXPECT_EQ(loaded.ratio, stored.ratio);
    EXPECT_EQ(loaded.parts, stored.parts);
}

TEST_F(ReportPropExchangeTest, EveryTruncationOfARecordThrowsAndLeavesTheValueAlone) {
    std::u16string path = PathOf("sample.dat");
    Sample stored = Filled();
    Store(path, [&](CArchive& ar) {
        CXTPPropExchangeArchive px(ar);
        stored.DoPropExchange(&px);
    });
    std::string whole = BytesOf(path);
    ASSERT_GT(whole.size(), 600u);
    for (std::size_t length = 0; length < whole.size(); ++length) {
        WriteBytes(path, whole.substr(0, length));
        int cause = Load(path, [&](CArchive& ar) {
            CXTPPropExchangeArchive px(ar);
            Sample loaded;
            loaded.DoPropExchange(&px);
        });
        ASSERT_EQ(cause, CArchiveException::endOfFile) << "cut at " << length;
    }
    // A value whose reading fails keeps what it held.
    WriteBytes(path, whole.substr(0, 30));
    LONG number = 99;
    EXPECT_NE(Load(path,
                   [&](CArchive& ar) {
                       CXTPPropExchangeArchive px(ar);
                       px.ExchangeSchema(2);
                       PX_Long(&px, u"Number", number);
                   }),
              CArchiveException::none);
    EXPECT_EQ(number, 99);
}

TEST_F(ReportPropExchangeTest, ForeignDamagedOrNewerRecordsThrowTheirCause) {
    std::u16string path = PathOf("record.dat");
    // Each case stores something, then reads it back as `read` says.
    struct Case {
        const char* what;
        std::function<void(CXTPPropExchange*)> write;
        std::function<void(CXTPPropExchange*)> read;
        int cause;
    };
    LONG number = 0;
    CString text;
    const Case cases[] = {
        {"a different name", [&](CXTPPropExchange* px) { PX_Long(px, u"Width", number); },
         [&](CXTPPropExchange* px) { PX_Long(px, u"Height", number); }, CArchiveException::badSchema},
        {"a different type", [&](CXTPPropExchange* px) { PX_Long(px, u"Width", number); },
         [&](CXTPPropExchange* px) { PX_String(px, u"Width", text); }, CArchiveException::badSchema},
        {"a newer schema", [&](CXTPPropExchange* px) { px->ExchangeSchema(3); },
         [&](CXTPPropExchange* px) { px->ExchangeSchema(2); }, CArchiveException::badSchema},
        {"a count above the reader's bound", [&](CXTPPropExchange* px) { px->ExchangeCount(u"Count", 5000, 5000); },
         [&](CXTPPropExchange* px) { px->ExchangeCount(u"Count", 0, 4999); }, CArchiveException::badIndex},
        {"a section where a value was expected", [&](CXTPPropExchange* px) { delete px->GetSection(u"Width"); },
         [&](CXTPPropExchange* px) { PX_Long(px, u"Width", number); }, CArchiveException::badSchema},
    };
    for (const Case& c : cases) {
        Store(path, [&](CArchive& ar) {
            CXTPPropExchangeArchive px(ar);
            c.write(&px);
        });
        EXPECT_EQ(Load(path,
                       [&](CArchive& ar) {
                           CXTPPropExchangeArchive px(ar);
                           c.read(&px);
                       }),
                  c.cause)
            << c.what;
        std::filesystem::remove(winapi::ToUtf8(path));
    }

    // Raw bytes: not ours at all, a boolean out of range, a name and a string
    // longer than any the exchange writes.
    auto header = std::string("HVPX\x01\x00", 6);
    auto name = [](const std::string& ascii) {
        std::string bytes("\xFF\xFE\xFF", 3);
        bytes += static_cast<char>(ascii.size());
        for (char c : ascii) bytes += std::string{c, '\0'};
        return bytes;
    };
    struct Raw {
        const char* what;
        std::string bytes;
        int cause;
    };
    const Raw raws[] = {
        {"a foreign file", "PK\x03\x04 not a property record", CArchiveException::badClass},
        {"a later format", std::string("HVPX\x02\x00", 6) + "\x03" + name("On") + "\x01", CArchiveException::badSchema},
        {"a boolean of 2", header + "\x03" + name("On") + "\x02", CArchiveException::badIndex},
        {"a name of 0x10000 units", header + std::string("\x03\xFF\xFE\xFF\xFF\xFF\xFF\x00\x00\x01\x00", 11),
         CArchiveException::badIndex},
        {"a string of 0x7FFFFFFF units",
         header + "\x04" + name("Name") + std::string("\xFF\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 10),
         CArchiveException::badIndex},
        {"a name without the Unicode mark", header + std::string("\x03\x02O\0n\0\x01", 7), CArchiveException::badIndex},
    };
    for (const Raw& raw : raws) {
        WriteBytes(path, raw.bytes);
        BOOL flag = TRUE;
        CString read(u"kept");
        EXPECT_EQ(Load(path,
                       [&](CArchive& ar) {
                           CXTPPropExchangeArchive px(ar);
                           if (raw.bytes[6] == '\x04') {
                               PX_String(&px, u"Name", read);
                           } else {
                               PX_Bool(&px, u"On", flag);
                           }
                       }),
                  raw.cause)
            << raw.what;
        EXPECT_EQ(flag, TRUE) << raw.what;
        EXPECT_EQ(read, CString(u"kept")) << raw.what;
    }
}

TEST_F(ReportPropExchangeTest, StoringRefusesWhatCouldNotBeReadBack) {
    std::u16string path = PathOf("limits.dat");
    const std::u16string longName(kPropExchangeMaxNameLength + 1, u'n');
    CString tooLong(std::u16string(kPropExchangeMaxStringLength + 1, u's').c_str());
    LONG number = 1;
    int depth = 0;
    const std::function<void(CXTPPropExchange*)> writes[] = {
        [&](CXTPPropExchange* px) { PX_Long(px, longName.c_str(), number); },
        [&](CXTPPropExchange* px) { PX_String(px, u"Text", tooLong); },
        [&](CXTPPropExchange* px) { px->ExchangeCount(u"Count", 11, 10); },
        [&](CXTPPropExchange* px) {
            // Sections nested one deeper than a reader accepts.
            std::vector<std::unique_ptr<CXTPPropExchange>> chain;
            CXTPPropExchange* at = px;
            for (depth = 0; depth <= kPropExchangeMaxSectionDepth; ++depth) {
                chain.emplace_back(at->GetSection(u"Level"));
                at = chain.back().get();
            }
        },
    };
    for (const auto& write : writes) {
        int cause = CArchiveException::none;
        Store(path, [&](CArchive& ar) {
            CXTPPropExchangeArchive px(ar);
            try {
                write(&px);
            } catch (CArchiveException* error) {
                cause = error->m_cause;
                error->Delete();
            }
        });
        EXPECT_EQ(cause, CArchiveException::badIndex);
    }
    EXPECT_EQ(depth, kPropExchangeMaxSectionDepth);
}

}  // namespace
