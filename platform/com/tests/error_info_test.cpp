#include "com/error_info.h"

#include "com_testing/counting_error_info.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/pending_error_info.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

using com_testing::CountingErrorInfo;
using com_testing::MakeErrorInfo;
using com_testing::SetPendingErrorInfo;

std::u16string Take(BSTR text) {
    std::u16string value = text != nullptr ? std::u16string(text, SysStringLen(text)) : u"<null>";
    SysFreeString(text);
    return value;
}

std::u16string DescriptionOf(IErrorInfo* info) {
    BSTR text = nullptr;
    EXPECT_EQ(info->GetDescription(&text), S_OK);
    return Take(text);
}

class ErrorInfoTest : public com_testing::LeakCheckedTest {};

TEST_F(ErrorInfoTest, ErrorObjectKeepsWhatIsSetAndHandsOutCopies) {
    ICreateErrorInfo* create = nullptr;
    ASSERT_EQ(CreateErrorInfo(&create), S_OK);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(create->QueryInterface(IID_PPV_ARGS(&info)), S_OK);

    // Nothing set yet: null texts, GUID_NULL, context 0.
    BSTR text = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(info->GetDescription(&text), S_OK);
    EXPECT_EQ(text, nullptr);
    GUID guid = com::MakeGuid("00000001-0000-0000-0000-000000000000");
    EXPECT_EQ(info->GetGUID(&guid), S_OK);
    EXPECT_EQ(guid, GUID_NULL);

    const GUID kSource = com::MakeGuid("1CF2B120-547D-101B-8E65-08002B2BD119");
    EXPECT_EQ(create->SetGUID(kSource), S_OK);
    EXPECT_EQ(create->SetSource(u"Bellquist.ItmManager"), S_OK);
    EXPECT_EQ(create->SetDescription(u"Could not lock safe array."), S_OK);
    EXPECT_EQ(create->SetHelpFile(u"help.chm"), S_OK);
    EXPECT_EQ(create->SetHelpContext(42), S_OK);

    EXPECT_EQ(info->GetGUID(&guid), S_OK);
    EXPECT_EQ(guid, kSource);
    ASSERT_EQ(info->GetSource(&text), S_OK);
    EXPECT_EQ(Take(text), u"Bellquist.ItmManager");
    EXPECT_EQ(DescriptionOf(info), u"Could not lock safe array.");
    // Each getter hands out a new BSTR: two reads give two strings.
    BSTR first = nullptr;
    BSTR second = nullptr;
    info->GetDescription(&first);
    info->GetDescription(&second);
    EXPECT_NE(first, second);
    SysFreeString(first);
    SysFreeString(second);
    ASSERT_EQ(info->GetHelpFile(&text), S_OK);
    EXPECT_EQ(Take(text), u"help.chm");
    DWORD context = 0;
    EXPECT_EQ(info->GetHelpContext(&context), S_OK);
    EXPECT_EQ(context, 42u);

    // Null clears a text; "" is kept as an empty text.
    EXPECT_EQ(create->SetSource(nullptr), S_OK);
    EXPECT_EQ(create->SetDescription(u""), S_OK);
    ASSERT_EQ(info->GetSource(&text), S_OK);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(DescriptionOf(info), u"");

    EXPECT_EQ(info->GetDescription(nullptr), E_INVALIDARG);
    EXPECT_EQ(info->GetGUID(nullptr), E_INVALIDARG);
    info->Release();
    create->Release();
}

TEST_F(ErrorInfoTest, ThreadErrorInfoIsTakenExactlyOnce) {
    IErrorInfo* info = MakeErrorInfo(u"first failure");
    ASSERT_EQ(SetErrorInfo(0, info), S_OK);
    info->Release();  // the slot keeps its own reference

    IErrorInfo* taken = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &taken), S_OK);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(DescriptionOf(taken), u"first failure");
    taken->Release();

    IErrorInfo* again = reinterpret_cast<IErrorInfo*>(1);
    EXPECT_EQ(GetErrorInfo(0, &again), S_FALSE);
    EXPECT_EQ(again, nullptr);
}

TEST_F(ErrorInfoTest, SettingReplacesAndReleasesThePendingOne) {
    CountingErrorInfo* older = CountingErrorInfo::Create(u"older");
    CountingErrorInfo* newer = CountingErrorInfo::Create(u"newer");
    SetErrorInfo(0, older);
    EXPECT_EQ(older->References(), 2u);
    SetErrorInfo(0, newer);
    EXPECT_EQ(older->References(), 1u);
    older->Release();

    IErrorInfo* taken = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &taken), S_OK);
    EXPECT_EQ(taken, newer);
    taken->Release();
    newer->Release();

    // Null empties the slot.
    CountingErrorInfo* cleared = CountingErrorInfo::Create(u"cleared");
    SetErrorInfo(0, cleared);
    cleared->Release();
    EXPECT_EQ(CountingErrorInfo::Live(), 1);
    EXPECT_EQ(SetErrorInfo(0, nullptr), S_OK);
    EXPECT_EQ(CountingErrorInfo::Live(), 0);
    EXPECT_EQ(GetErrorInfo(0, &taken), S_FALSE);
}

TEST_F(ErrorInfoTest, BadArgumentsAreRefused) {
    IErrorInfo* info = MakeErrorInfo(u"kept");
    EXPECT_EQ(SetErrorInfo(1, info), E_INVALIDARG);
    EXPECT_EQ(SetErrorInfo(0, info), S_OK);
    IErrorInfo* taken = nullptr;
    EXPECT_EQ(GetErrorInfo(1, &taken), E_INVALIDARG);
    EXPECT_EQ(GetErrorInfo(0, nullptr), E_INVALIDARG);
    // The refused calls left the pending error info where it was.
    ASSERT_EQ(GetErrorInfo(0, &taken), S_OK);
    EXPECT_EQ(taken, info);
    taken->Release();
    info->Release();
    EXPECT_EQ(CreateErrorInfo(nullptr), E_INVALIDARG);
}

TEST_F(ErrorInfoTest, AnotherThreadHasItsOwnSlot) {
    SetPendingErrorInfo(u"this thread's");

    HRESULT otherResult = E_UNEXPECTED;
    IErrorInfo* otherSaw = reinterpret_cast<IErrorInfo*>(1);
    std::thread other([&] {
        otherResult = GetErrorInfo(0, &otherSaw);
        // What the other thread sets stays there.
        SetPendingErrorInfo(u"other thread's");
    });
    other.join();
    EXPECT_EQ(otherResult, S_FALSE);
    EXPECT_EQ(otherSaw, nullptr);

    IErrorInfo* taken = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &taken), S_OK);
    EXPECT_EQ(DescriptionOf(taken), u"this thread's");
    taken->Release();
}

TEST_F(ErrorInfoTest, PendingErrorInfoIsReleasedWhenItsThreadEnds) {
    CountingErrorInfo* info = CountingErrorInfo::Create(u"left behind");
    std::thread worker([info] { SetErrorInfo(0, info); });
    worker.join();
    EXPECT_EQ(info->References(), 1u);
    info->Release();
}

}  // namespace
