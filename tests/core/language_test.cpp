// The catalogue of user texts: the message fields' widths and the texts whose blanks count.
#include "core/language.h"

#include <gtest/gtest.h>

#include <string>

namespace orlomat {
namespace {

// Bytes of a UTF-8 text in Windows-1250, where every Polish letter is one byte.
std::size_t Cp1250Length(const char* utf8) {
    std::size_t n = 0;
    for (const char* p = utf8; *p != 0; ++p)
        if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80) ++n;
    return n;
}

TEST(Language, MessageTextsFitTheirFieldsWithTheTerminatingZero) {
    for (int m = 0; m < static_cast<int>(Message::Count); ++m) {
        const MessageField& f = MessageEntry(static_cast<Message>(m));
        EXPECT_LT(Cp1250Length(f.text.pl), f.width) << f.text.pl;
        EXPECT_LT(Cp1250Length(f.text.en), f.width) << f.text.en;
    }
}

TEST(Language, TextsKeepTheirBlanks) {
    EXPECT_STREQ(Tr(Caption::Compare, Language::English), "Compare   ");
    EXPECT_STREQ(Tr(Caption::Acceleration, Language::English), "Acceleration  ");
    EXPECT_STREQ(Tr(Caption::Wait, Language::Polish), "     Czekaj");
    EXPECT_STREQ(Tr(Caption::Wait, Language::English), "      Wait");
    EXPECT_STREQ(Tr(Caption::ReadFrom, Language::Polish), "Odczyt z: ");
    EXPECT_STREQ(Tr(Caption::ReadFrom, Language::English), "Read from:");
    EXPECT_STREQ(Tr(Caption::WindowCaption, Language::Polish),
                 Tr(Caption::WindowCaption, Language::English));
    EXPECT_STREQ(Tr(Message::ErrorCaption, Language::English), "Altimeter - error");
    EXPECT_STREQ(Tr(Message::FileExists, Language::Polish), "Plik istnieje. Zapisać?");
}

// A row left out of a table reads as a null text: every reading's text in both languages.
TEST(Language, EveryReadingTextInBothLanguages) {
    for (int t = 0; t < static_cast<int>(ReadingText::Count); ++t) {
        const TextPair& p = ReadingPair(static_cast<ReadingText>(t));
        ASSERT_TRUE(p.pl && p.en) << t;
        EXPECT_GT(std::string(p.pl).size(), 1u) << t;
        EXPECT_GT(std::string(p.en).size(), 1u) << t;
    }
}

// A first contest day's log has one line: no text counting lines may read "1 lines".
TEST(Language, LineCountsReadRightForOneLine) {
    const struct {
        Phrase phrase;
        const char* count; // the mark the number of lines fills
    } cases[] = {
        {Phrase::LogHeadShort, "%2"},
        {Phrase::LogHeadNoChain, "%2"},
        {Phrase::VerifyLogSummary, "%1"},
    };
    for (const auto& c : cases)
        for (const Language l : {Language::Polish, Language::English}) {
            const std::string text = Tr(c.phrase, l);
            const auto at = text.find(c.count);
            ASSERT_NE(at, std::string::npos) << text;
            const std::string filled = text.substr(0, at) + '1' + text.substr(at + 2);
            EXPECT_EQ(filled.find("1 lines"), std::string::npos) << filled;
        }
}

} // namespace
} // namespace orlomat
