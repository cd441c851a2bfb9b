// One showing of the file-reference dialog as data: what the dialog read
// from its command object (columns, flag word, texts, option, destination
// folder, comment mode), the rows of the reference tree, and the user's
// actions turned into the command's and the rows' calls. The window
// (file_ref_window.h) shows this state and hands the user's input here;
// nothing here needs a window, so the whole protocol is testable alone.
#pragma once

#include "castavy/dialog_script.h"
#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "com/ccom_ptr.h"
#include "ui/handle_types.h"
#include "winapi/types.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace castavy {

class DialogSession {
public:
    struct Row {
        CComPtr<CASTAVYLib::IFileRefItem> item;
        int depth = 0;
        int parent = -1;  // index of the parent row, -1 for a root
        ShownRow shown;   // as last read (Refresh)
    };

    // Reads what the command object offers and, for a tree of type
    // kTreeTypeReferences, has it build its tree; then reads the rows.
    // `owner` is the window value the dialog will be owned by (the rows'
    // children are asked with it). E_NOINTERFACE for a command without
    // IFileRefCmd3; a failure of GetColumns, BuildTree, the root
    // enumerator or a row is returned.
    HRESULT Open(IUnknown* command, LONG treeType, LONG owner, const std::u16string& text);

    // What the dialog shows.
    const std::vector<LONG>& Columns() const { return columns_; }
    LONG Flags() const { return flags_; }
    bool HasTree() const { return !columns_.empty(); }
    // The command's text `id` (CastavyText), or none when it gave none.
    const std::optional<std::u16string>& Text(LONG id) const { return texts_[static_cast<size_t>(id)]; }
    std::u16string TextOr(LONG id, std::u16string fallback) const;
    bool ShowsOption() const { return (flags_ & CASTAVYLib::kFlagOpenCheckbox) != 0; }
    bool OptionChecked() const { return optionChecked_; }
    bool ShowsDestination() const { return HasTree() && (flags_ & CASTAVYLib::kFlagDestinationFolder) != 0; }
    bool MayChangeDestination() const { return (flags_ & CASTAVYLib::kFlagMayChangeFolder) != 0; }
    const std::u16string& Destination() const { return destination_; }
    // The comment: shown in a dialog without tree; disabled for a command
    // that undoes check-outs.
    bool CommentEnabled() const { return commentEnabled_; }
    const std::u16string& Comment() const { return comment_; }
    void SetComment(std::u16string comment) { comment_ = std::move(comment); }
    const std::vector<Row>& Rows() const { return rows_; }

    // Reads every row's texts and checks again.
    void Refresh();

    // The user clicks the check cell `column` of row `row`: the command is
    // told (ValueChanged); when it leaves the change to the dialog, the row
    // is set. S_FALSE when the cell is disabled or there is no such cell;
    // a failure of either call.
    HRESULT ClickCheck(size_t row, LONG column, LONG window);
    // The user checks or clears the option check box.
    HRESULT SetOption(bool checked, LONG window);
    // The user names row `row`: S_FALSE when the row refused the name.
    HRESULT NameRow(size_t row, const std::u16string& name);
    // The browse button: S_OK when a folder was chosen (the destination is
    // read again), S_FALSE when not.
    HRESULT Browse(const std::u16string& typed, LONG window);
    // The help button.
    HRESULT Help(LONG window);
    // The OK button: the destination typed (when it differs from the one
    // read) goes to the command, then the command checks; S_OK lets the
    // dialog end. Another success (40: a chosen row without item name, 42:
    // two chosen rows with one name) keeps it open; a failure too.
    HRESULT ConfirmOk(const std::u16string& typedDestination, LONG window);
    // Whether the last ConfirmOk failed on the destination folder, whose
    // refusal the command showed itself.
    bool DestinationRefused() const { return destinationRefused_; }
    // The message for a ConfirmOk success other than S_OK (the dialog stays
    // open); empty when there is nothing to say.
    std::u16string RefusalText(HRESULT confirmed) const;

    // The context menu over `rows`: the command's callback may add its
    // entries to `menu`; the dialog adds the existing item names for a
    // single row with an item name column (a command without a list to give
    // offers none). S_OK, or a failure of the callback.
    HRESULT FillContextMenu(HMENU menu, const std::vector<size_t>& rows);
    // The user chose `command` from that menu (`column` the column it was
    // opened over, -1 none, for the command's callback).
    HRESULT RunContextCommand(UINT command, LONG column);

    // The command object's calls around the showing (results not read).
    void DialogShown();
    void DialogClosing();

    // The first menu id of the existing item names.
    static constexpr UINT kFirstItemNameCommand = 0x7000;

private:
    HRESULT LoadRows(LONG owner);
    HRESULT LoadChildren(size_t parent, LONG owner, std::vector<std::u16string>& keys);
    HRESULT ReadDestination();

    CComPtr<CASTAVYLib::IFileRefCmd3> command_;
    CComPtr<CASTAVYLib::IFileRefItem3> properties_;                // optional: the destination folder
    CComPtr<CASTAVYLib::IXRefTreeListCtrlCallback> menuCallback_;  // optional
    CComPtr<CASTAVYLib::IItemListCmd> itemList_;                   // optional
    std::vector<LONG> columns_;
    LONG flags_ = 0;
    std::array<std::optional<std::u16string>, CASTAVYLib::kTextCount> texts_;
    bool optionChecked_ = false;
    std::u16string destination_;
    bool destinationRefused_ = false;
    bool commentEnabled_ = true;
    std::u16string comment_;
    std::vector<Row> rows_;
    // The row the item-name entries of the open context menu name, and the
    // names offered.
    std::optional<size_t> namedRow_;
    std::vector<std::u16string> offeredNames_;
};

}  // namespace castavy
