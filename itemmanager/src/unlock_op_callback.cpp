#include "unlock_op_callback.h"

#include "bellquist/item_names.h"
#include "brevanne/ids.h"
#include "com/bstr.h"
#include "com/bstr_t.h"
#include "com/method_boundary.h"
#include "com/server/com_object.h"
#include "tesspur/tesspur.h"
#include "winapi/errors.h"
#include "winapi/wide_format.h"

#include <initializer_list>

using BellquistLib::kItemExtension;
using namespace BrevanneLib;

namespace {

// The progress window's layout with a Cancel button.
constexpr LONG kLayoutCancelButton = 1;
// IItmProgress::Ask's button sets.
constexpr LONG kButtonsOkCancel = 3;
constexpr LONG kButtonsYesNoCancel = 26;

// A text of the string manager's section "NameSpace", category "TS".
const WCHAR* NameSpaceText(int id, const WCHAR* defaultText) {
    return TSS_internal(id, u"TS", u"NameSpace", defaultText);
}

const WCHAR* CheckInCaption() { return NameSpaceText(4, u"Check In"); }

// The questions read the client library's string file for as long as they
// are asked.
class ClientLibraryTexts {
public:
    ClientLibraryTexts() { gvPushDefaultFile(u"TavroskClient"); }
    ~ClientLibraryTexts() { gvPopDefaultFile(); }
    ClientLibraryTexts(const ClientLibraryTexts&) = delete;
    ClientLibraryTexts& operator=(const ClientLibraryTexts&) = delete;
};

// The characters after the last backslash (all of them without one).
std::u16string_view NamePart(std::u16string_view path) {
    size_t slash = path.rfind(u'\\');
    return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

// True when `text` held `part`.
bool EraseAll(std::u16string& text, std::u16string_view part) {
    bool erased = false;
    for (size_t at = text.find(part); at != std::u16string::npos; at = text.find(part)) {
        text.erase(at, part.size());
        erased = true;
    }
    return erased;
}

// One question as the message box shows it.
struct AskedQuestion {
    std::u16string caption;
    std::u16string text;
    LONG buttons = kButtonsYesNoCancel;
};

// The question of `kind` on the file shown as `file`; false for a kind
// without one. `first` and `second` are the detail's texts ("" without).
bool MakeQuestion(LONG kind, const WCHAR* file, const UnlockQuestionDetail* detail, AskedQuestion& question) {
    const WCHAR* first = detail && detail->first ? detail->first : u"";
    const WCHAR* second = detail && detail->second ? detail->second : u"";
    // Kinds 1 and 2 name the variable when the detail gives one, and its
    // configuration when that is not the file as a whole.
    const bool withConfiguration = detail && *first;
    question.caption = CheckInCaption();
    switch (kind) {
    case kQuestionDuplicatedUnique:
        if (withConfiguration)
            question.text = winapi::FormatTexts(
                NameSpaceText(18,
                              u"The file '%s' has\na duplicated value for the unique variable '%s' in "
                              u"configuration '%s'."),
                {file, second, first});
        else if (detail)
            question.text = winapi::FormatTexts(
                NameSpaceText(19, u"The file '%s' has\na duplicated value for the unique variable '%s'."),
                {file, second});
        else
            question.text = winapi::FormatTexts(
                NameSpaceText(17, u"The file '%s' has\na duplicated value for a unique variable."), {file});
        question.text += u"\n\n";
        question.text += NameSpaceText(20, u"Do you want to clear it?");
        return true;
    case kQuestionMandatoryMissing:
        if (withConfiguration)
            question.text = winapi::FormatTexts(
                NameSpaceText(22,
                              u"The file '%s' does\nnot have a value for the mandatory variable '%s' in "
                              u"configuration '%s'."),
                {file, second, first});
        else if (detail)
            question.text = winapi::FormatTexts(
                NameSpaceText(23, u"The file '%s' does\nnot have a value for the mandatory variable '%s'."),
                {file, second});
        else
            question.text = winapi::FormatTexts(
                NameSpaceText(21, u"The file '%s' does\nnot have a value for a mandatory variable in the card."),
                {file});
        question.buttons = kButtonsOkCancel;
        return true;
    case kQuestionUnknownFormat:
        question.text = winapi::FormatTexts(
            NameSpaceText(24, u"The file format of file '%s' is not recognized.\nDo you want to unlock it anyway?"),
            {file});
        return true;
    case kQuestionElsewhereUndo:
        question.caption = NameSpaceText(316, u"Undo Check Out");
        question.text = winapi::FormatTexts(NameSpaceText(27,
                                                          u"The file '%s' is\nchecked out on computer '%s' by "
                                                          u"user '%s'.\n\nAre you sure you want to undo check "
                                                          u"out anyway?"),
                                            {file, second, first});
        return true;
    case kQuestionOtherUserCheckIn:
        question.text = winapi::FormatTexts(NameSpaceText(28,
                                                          u"The file '%s' is\nchecked out by user '%s'.\n\nAre "
                                                          u"you sure you want to check it in anyway?"),
                                            {file, first});
        return true;
    default:
        return false;
    }
}

// The command's reply to the button the user pressed.
LONG ReplyOf(LONG kind, LONG answer) {
    switch (kind) {
    case kQuestionDuplicatedUnique:
        return answer == ItmProgBtn_Yes ? kReplyClearValue : answer == ItmProgBtn_No ? kReplyGoOn : kReplyCancel;
    case kQuestionMandatoryMissing:
        return answer == ItmProgBtn_OK ? kReplyGoOn : kReplyCancel;
    default:
        return answer == ItmProgBtn_Yes ? kReplyGoOn : answer == ItmProgBtn_No ? kReplySkipFile : kReplyCancel;
    }
}

}  // namespace

HRESULT UnlockOpCallback::mhCreate(IItmProgress* progress, UnlockOpCallback** callback) {
    if (!callback) return E_POINTER;
    *callback = nullptr;
    CComObject<UnlockOpCallback>* created = nullptr;
    if (HRESULT hr = CComObject<UnlockOpCallback>::CreateInstance(&created); FAILED(hr)) return hr;
    created->mpoProgress = progress;
    created->AddRef();
    *callback = created;
    return S_OK;
}

UnlockOpCallback::~UnlockOpCallback() {
    if (mbProgressOpen) mpoProgress->Close();
}

std::u16string UnlockOpCallback::moFileText(std::u16string_view path) {
    std::u16string text(path);
    // A removal may join what is left into a new "<items>" or extension; none
    // is shown.
    bool erased = true;
    while (erased) {
        erased = EraseAll(text, u"<items>");
        erased = EraseAll(text, kItemExtension) || erased;
    }
    // Removing "<items>" leaves two backslashes side by side.
    for (size_t at = text.find(u"\\\\"); at != std::u16string::npos; at = text.find(u"\\\\", at)) text.erase(at, 1);
    return text;
}

std::vector<std::u16string> UnlockOpCallback::ProcessedItemNames() const {
    std::vector<std::u16string> names;
    for (const auto& [name, processed] : moFileNames)
        if (processed && name.size() > kItemExtension.size() && name.ends_with(kItemExtension)) names.push_back(name);
    return names;
}

HRESULT UnlockOpCallback::mhMoveBar(BSTR line2) {
    return mbProgressOpen ? mpoProgress->SetPos(mlFileCount, line2) : S_OK;
}

HRESULT UnlockOpCallback::Start(LONG, LONG lTotal) {
    mlFileCount = 0;
    if (!mbProgressOpen) {
        if (lTotal < 2 || !mpoProgress) return S_OK;
        return com::Boundary([&]() -> HRESULT {
            _bstr_t caption(CheckInCaption());
            if (HRESULT hr = mpoProgress->Show(caption, kLayoutCancelButton); FAILED(hr)) return hr;
            mbProgressOpen = true;
            mpoProgress->SetRange(lTotal, nullptr);
            return mhMoveBar(nullptr);
        });
    }
    mpoProgress->SetRange(lTotal, nullptr);
    return mhMoveBar(nullptr);
}

HRESULT UnlockOpCallback::NextFile(BSTR bsPath) {
    ++mlFileCount;
    return com::Boundary([&]() -> HRESULT {
        std::u16string_view path = com::BstrView(bsPath);
        if (path.find(u'\\') != std::u16string_view::npos)
            moFileNames.try_emplace(std::u16string(NamePart(path)), true);
        if (!mbProgressOpen) return S_OK;
        _bstr_t text(moFileText(path).c_str());
        return mhMoveBar(text);
    });
}

HRESULT UnlockOpCallback::Step() {
    ++mlFileCount;
    return mhMoveBar(nullptr);
}

HRESULT UnlockOpCallback::Reset(LONG, LONG, LONG) {
    if (mbProgressOpen) mpoProgress->ResetPos();
    return S_OK;
}

HRESULT UnlockOpCallback::Question(LONG lKind, LONG, LONG, BSTR bsPath, UnlockQuestionDetail* poDetail, LONG* plReply) {
    if (!plReply || !mpoProgress) return E_POINTER;
    return com::Boundary([&]() -> HRESULT {
        std::u16string_view path = com::BstrView(bsPath);
        const std::u16string file = moFileText(path);
        AskedQuestion question;
        {
            ClientLibraryTexts texts;
            if (!MakeQuestion(lKind, file.c_str(), poDetail, question)) {
                *plReply = kReplyUnknownKind;
                return S_OK;
            }
        }
        _bstr_t caption(question.caption.c_str());
        _bstr_t text(question.text.c_str());
        // A box that cannot be shown leaves no answer: the run stops.
        LONG answer = ItmProgBtn_Cancel;
        if (FAILED(mpoProgress->Ask(caption, text, question.buttons, &answer))) answer = ItmProgBtn_Cancel;
        *plReply = ReplyOf(lKind, answer);
        if (*plReply == kReplySkipFile) {
            std::u16string_view name = NamePart(path);
            if (!name.empty()) moFileNames.insert_or_assign(std::u16string(name), false);
        }
        return S_OK;
    });
}

HRESULT UnlockOpCallback::UnusedSlot8() { return E_NOTIMPL; }
HRESULT UnlockOpCallback::UnusedSlot9() { return E_NOTIMPL; }
HRESULT UnlockOpCallback::UnusedSlot10() { return E_NOTIMPL; }
