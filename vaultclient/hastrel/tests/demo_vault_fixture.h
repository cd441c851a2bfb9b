// A fresh machine with the demo vault (vaultadmin's creation and seeding)
// opened for the test, the ids of its main documents, and small helpers to find its documents and change it.
#pragma once

#include "vaultadmin/demo_seeding.h"
#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"

#include "testsupport/fresh_machine.h"
#include "vaultdb/database.h"
#include "vaultdb/statement.h"
#include "winapi/errors.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <variant>

namespace hastrel_test {

class DemoVaultTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        vaultadmin::VaultCreation request;
        request.name = u"Demo";
        request.serverFolder = machine_.root() / "server";
        request.viewFolder = machine_.root() / "view";
        created_ = vaultadmin::CreateVault(request);
        database_ = vaultadmin::OpenRegisteredVault(u"Demo");
        vaultadmin::SeedDemoVault(*database_);
        gearbox_ = Document(vaultadmin::kDemoGearboxAssembly);
        unit_ = Document(vaultadmin::kDemoGearboxSubAssembly);
        housing_ = Document(u"GB-1100 Housing.zvkprt");
        shaft_ = Document(u"GB-1200 Shaft.zvkprt");
        bearing_ = Document(u"GB-1310 Ball Bearing.zvkprt");
        seal_ = Document(u"GB-1320 Seal Ring.zvkprt");
        drawing_ = Document(u"GB-1000 Gearbox.dwg");
        conveyorPart_ = Document(u"P-00001.zvkprt");
    }

    // Runs `sql` with its values bound in order; the first column of the
    // first row, or -1 without a row.
    using Value = std::variant<int32_t, std::u16string>;
    int32_t Sql(const std::string& sql, std::initializer_list<Value> values = {}) {
        std::unique_ptr<vaultdb::Statement> statement;
        EXPECT_EQ(database_->Prepare(sql, statement), S_OK) << sql << ": " << database_->LastErrorText();
        if (!statement) return -1;
        int index = 1;
        for (const Value& value : values) {
            if (auto* number = std::get_if<int32_t>(&value)) statement->BindInt32(index++, *number);
            if (auto* text = std::get_if<std::u16string>(&value))
                statement->BindText(index++, std::u16string_view(*text));
        }
        const HRESULT hr = statement->Step();
        EXPECT_TRUE(SUCCEEDED(hr)) << sql << ": " << database_->LastErrorText();
        return hr == S_OK ? statement->ColumnInt32(0) : -1;
    }
    // A document of the demo by its name (file names are unique in it).
    int32_t Document(const std::u16string& name) {
        return Sql("SELECT id FROM documents WHERE name = ? AND deleted = 0", {name});
    }
    int32_t Configuration(int32_t document, const std::u16string& name) {
        return Sql("SELECT id FROM configurations WHERE document_id = ? AND name = ?", {document, name});
    }

    vaultadmin::CreatedVault created_;
    std::unique_ptr<vaultdb::Database> database_;
    // The documents of the demo's gearbox and a part of its conveyor.
    int32_t gearbox_ = 0, unit_ = 0, housing_ = 0, shaft_ = 0, bearing_ = 0, seal_ = 0, drawing_ = 0;
    int32_t conveyorPart_ = 0;
};

}  // namespace hastrel_test
