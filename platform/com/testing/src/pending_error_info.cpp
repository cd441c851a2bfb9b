#include "com_testing/pending_error_info.h"

#include <gtest/gtest.h>

namespace com_testing {

IErrorInfo* MakeErrorInfo(const char16_t* description) {
    ICreateErrorInfo* create = nullptr;
    EXPECT_EQ(CreateErrorInfo(&create), S_OK);
    if (create == nullptr) return nullptr;
    EXPECT_EQ(create->SetDescription(description), S_OK);
    IErrorInfo* info = nullptr;
    EXPECT_EQ(create->QueryInterface(IID_PPV_ARGS(&info)), S_OK);
    create->Release();
    return info;
}

void SetPendingErrorInfo(const char16_t* description) {
    IErrorInfo* info = MakeErrorInfo(description);
    EXPECT_EQ(SetErrorInfo(0, info), S_OK);
    if (info != nullptr) info->Release();  // the slot keeps its own reference
}

std::u16string TakePendingDescription() {
    IErrorInfo* info = nullptr;
    const HRESULT taken = GetErrorInfo(0, &info);
    if (taken == S_FALSE) {
        EXPECT_EQ(info, nullptr) << "GetErrorInfo found nothing but handed out a pointer";
        return u"<none>";
    }
    EXPECT_EQ(taken, S_OK);
    if (info == nullptr) {
        ADD_FAILURE() << "GetErrorInfo answered " << std::hex << taken << " without an error info";
        return u"<none>";
    }
    BSTR text = nullptr;
    EXPECT_EQ(info->GetDescription(&text), S_OK);
    info->Release();
    std::u16string description = text != nullptr ? std::u16string(text, SysStringLen(text)) : u"<null>";
    SysFreeString(text);
    return description;
}

}  // namespace com_testing
