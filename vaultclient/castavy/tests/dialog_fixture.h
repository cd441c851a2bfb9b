// The file-reference dialog as its callers meet it: the component
// registered on a fresh machine, the dialog created by CLSID (any context)
// and run, and a scripted command over a small reference tree:
//
//   assembly.asm
//     bracket.prt
//     sub.asm
//       bolt.prt
//     plate.prt (its create check switched off)
#pragma once

#include "fake_command.h"

#include "castavy/dialog_script.h"
#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "com/ccom_bstr.h"
#include "com/com_ptr.h"
#include "com/runnable.h"
#include "com/runtime.h"
#include "com_testing/bstr_text.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/register_server.h"
#include "testsupport/fresh_machine.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"

#include <gtest/gtest.h>

namespace castavy_test {

class DialogTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        ui_testing::EnsureApplication();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"Castavy.dll"), S_OK);
        com::ComPtr<IUnknown> unknown;
        ASSERT_EQ(CoCreateInstance(CLSID_FileCastavy, nullptr, 23, IID_IUnknown, reinterpret_cast<void**>(&unknown)),
                  S_OK);
        ASSERT_EQ(OleRun(unknown.GetInterfacePtr()), S_OK);
        ASSERT_EQ(unknown->QueryInterface(IID_PPV_ARGS(&dialog_)), S_OK);

        command_.first = {CastavyCol_Name, CastavyCol_ItemNumber, CastavyCol_CreateItem, CastavyCol_ExistingItem};
        command_.second = {CastavyCol_Configuration};
        command_.flags =
            0x20812 | kFlagCommandColumns | kFlagOpenCheckbox | kFlagDestinationFolder | kFlagMayChangeFolder;
        command_.texts = {{CastavyText_Title, u"Generate Item"},
                          {CastavyText_CreateHeader, u"Create"},
                          {CastavyText_ExistingHeader, u"Existing"},
                          {CastavyText_OpenCheckbox, u"Open Generated Items"},
                          {CastavyText_DestinationLabel, u"Destination Folder:"}};
        auto* assembly = new FakeRow(u"assembly.asm");
        assembly->texts[CastavyCol_Configuration] = u"Default";
        assembly->Add(new FakeRow(u"bracket.prt"));
        assembly->Add(new FakeRow(u"sub.asm"))->Add(new FakeRow(u"bolt.prt"));
        FakeRow* plate = assembly->Add(new FakeRow(u"plate.prt"));
        plate->switchedOff[CastavyCol_CreateItem] = true;
        assembly->values[CastavyCol_CreateItem] = 1;
        assembly->itemName = u"ASM-1";
        command_.roots.emplace_back(assembly, false);
        command_.itemNames = {u"ITEM-7", u"ITEM-9"};
    }
    void TearDown() override {
        dialog_ = nullptr;
        command_.roots.clear();
        CoUninitialize();
        LeakChecked::TearDown();
    }

    HRESULT Show(LONG treeType = kTreeTypeReferences) {
        EXPECT_EQ(dialog_->PutTreeType(treeType), S_OK);
        CComBSTR name(u"ItemGenerator");
        return dialog_->Show(0, static_cast<IFileRefCmd3*>(&command_), 0, kDialogWidth, name);
    }

    std::u16string DialogText() {
        BSTR text = nullptr;
        EXPECT_EQ(dialog_->GetText(&text), S_OK);
        return com_testing::TakeText(text);
    }

    FakeRow& Row(size_t root, std::vector<size_t> path = {}) {
        FakeRow* row = command_.roots.at(root);
        for (size_t child : path) row = row->children.at(child);
        return *row;
    }

    com::ComPtr<IFileCastavy> dialog_;
    FakeCommand command_;
};

}  // namespace castavy_test
