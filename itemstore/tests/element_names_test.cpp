#include "common/error_codes.h"
#include "itemstore/element_names.h"

#include "winapi/errors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ElementNamesTest, ItemAndChildrenElementNames) {
    struct Case {
        std::u16string fileName;
        std::u16string record;
        std::u16string children;
        HRESULT writable;
    };
    const Case cases[] = {
        {u"Pump 12.<item>", u"Pump 12I", u"Pump 12C", S_OK},
        // A key of 7 characters or fewer is empty: readable, never written.
        {u".<item>", u"I", u"C", E_OXN_INVALID_NAME},
        {u"abc", u"I", u"C", E_OXN_INVALID_NAME},
        {u"", u"I", u"C", E_OXN_INVALID_NAME},
        {u"x.<item>", u"xI", u"xC", S_OK},
        {u"a/b.<item>", u"a%00bI", u"a%00bC", S_OK},
        {u"a%00b.<item>", u"a%0100bI", u"a%0100bC", S_OK},          // never confused with a/b
        {u"dir\\name.<item>", u"dir\\nameI", u"dir\\nameC", S_OK},  // backslash kept
        {u"Pump 12.assembly", u"Pump 12.aI", u"Pump 12.aC", S_OK},  // the extension is not checked
    };
    for (const Case& c : cases) {
        std::u16string record, children;
        EXPECT_EQ(S_OK, ghItemElementName(c.fileName, record));
        EXPECT_EQ(S_OK, ghChildrenElementName(c.fileName, children));
        EXPECT_EQ(c.record, record);
        EXPECT_EQ(c.children, children);
        EXPECT_EQ(c.writable, ghCheckWritableItemKey(c.fileName));
    }
    std::u16string key;
    EXPECT_EQ(S_OK, ghItemKey(u"Pump 12.<item>", key));
    EXPECT_EQ(u"Pump 12", key);
}

TEST(ElementNamesTest, EscapesElevenCharactersOnce) {
    struct Case {
        std::u16string text;
        std::u16string escaped;
    };
    const Case cases[] = {
        {u"/", u"%00"},
        {u"%", u"%01"},
        {u"*", u"%02"},
        {u":", u"%03"},
        {u"|", u"%04"},
        {u"!", u"%05"},
        {u"\n", u"%06"},
        {u"\r", u"%07"},
        {u"\t", u"%08"},
        {u"?", u"%09"},
        {u"\"", u"%10"},
        {u"/%*:|!\n\r\t?\"", u"%00%01%02%03%04%05%06%07%08%09%10"},
        {u"%%", u"%01%01"},  // inserted text is not scanned again
        {u"a<b>c\\d.e", u"a<b>c\\d.e"},
        {u"\u00e9\U0001F527", u"\u00e9\U0001F527"},
        {u"", u""},
    };
    for (const Case& c : cases) {
        std::u16string escaped = u"left over";
        EXPECT_EQ(S_OK, ghEscapeElementName(c.text, escaped));
        EXPECT_EQ(c.escaped, escaped);
    }
}

TEST(ElementNamesTest, SplitsLongNamesIntoThirtyCharacterStorages) {
    auto text = [](size_t length) {
        std::u16string result;
        for (size_t i = 0; i < length; ++i) result += static_cast<char16_t>(u'a' + i % 26);
        return result;
    };
    struct Case {
        size_t length;
        std::vector<size_t> storagePieces;  // starts of the 30-character pieces
        size_t streamStart;
    };
    const Case cases[] = {
        {1, {}, 0},        {29, {}, 0},       {30, {}, 0},       {31, {0}, 30},         {60, {0}, 30},
        {61, {0, 30}, 60}, {62, {0, 30}, 60}, {90, {0, 30}, 60}, {91, {0, 30, 60}, 90},
    };
    for (const Case& c : cases) {
        const std::u16string name = text(c.length);
        SplitElementName split;
        split.storages.push_back(u"stale");
        gvSplitElementName(name, split);
        ASSERT_EQ(c.storagePieces.size(), split.storages.size()) << c.length;
        for (size_t k = 0; k < c.storagePieces.size(); ++k) {
            EXPECT_EQ(name.substr(c.storagePieces[k], 30) + u"F", split.storages[k]);
            EXPECT_EQ(31u, split.storages[k].size());
        }
        EXPECT_EQ(name.substr(c.streamStart) + u"S", split.stream) << c.length;
        EXPECT_LE(split.stream.size(), 31u);
    }
    SplitElementName header;
    gvSplitElementName(kHeaderStreamName, header);
    EXPECT_TRUE(header.storages.empty());
    EXPECT_EQ(u"headerstreamS", header.stream);
    SplitElementName empty;
    gvSplitElementName(u"", empty);
    EXPECT_TRUE(empty.storages.empty());
    EXPECT_EQ(u"S", empty.stream);
}

}  // namespace
