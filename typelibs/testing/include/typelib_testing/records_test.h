// The fixture of the type-library tests: one library's record descriptions
// registered for the duration of each test, looked up as callers look them
// up, and the check that each record is found as the library declares it.
#pragma once

#include "com/hresults.h"
#include "com/record_info.h"
#include "com_testing/bstr_text.h"
#include "com_testing/leak_checked_test.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <span>
#include <string>

namespace typelib_testing {

// A record as a library describes it.
struct RecordCase {
    GUID record;
    const char16_t* name;
    ULONG size;
    ULONG fields;
};

// Derived fixtures name their library: its identity (version 1.0) and its
// RegisterRecords. The descriptions are registered once the leak counts are
// taken and removed before they are compared, so no test sees another's.
class RecordsTest : public com_testing::LeakCheckedTest {
protected:
    RecordsTest(const GUID& library, void (*registerRecords)())
        : library_(library), registerRecords_(registerRecords) {}

    void SetUp() override {
        com_testing::LeakCheckedTest::SetUp();
        registerRecords_();
    }
    void TearDown() override {
        com::UnregisterRecordDescriptions(library_);
        com_testing::LeakCheckedTest::TearDown();
    }

    // The record information of `record` in version 1.0 of the library, as
    // callers look it up (locale 9), or null (and the test fails).
    IRecordInfo* RecordInfoOf(const GUID& record) const {
        IRecordInfo* info = nullptr;
        EXPECT_EQ(GetRecordInfoFromGuids(library_, 1, 0, 9, record, &info), S_OK);
        return info;
    }

    // Each record is found with its name, size and number of fields, and no
    // two records share a GUID.
    void ExpectRecordsDescribed(std::span<const RecordCase> cases) const {
        for (size_t i = 0; i < cases.size(); ++i) {
            const RecordCase& c = cases[i];
            SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
            IRecordInfo* info = RecordInfoOf(c.record);
            ASSERT_NE(info, nullptr);
            ULONG size = 0;
            EXPECT_EQ(info->GetSize(&size), S_OK);
            EXPECT_EQ(size, c.size);
            BSTR name = nullptr;
            EXPECT_EQ(info->GetName(&name), S_OK);
            EXPECT_EQ(com_testing::Text(name), c.name);
            SysFreeString(name);
            ULONG fields = 0;
            EXPECT_EQ(info->GetFieldNames(&fields, nullptr), S_OK);
            EXPECT_EQ(fields, c.fields);
            info->Release();
            for (size_t j = 0; j < i; ++j) {
                EXPECT_FALSE(cases[j].record == c.record) << "record GUID given twice";
            }
        }
    }

private:
    GUID library_;
    void (*registerRecords_)();
};

}  // namespace typelib_testing
