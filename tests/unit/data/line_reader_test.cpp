// The shared data-file syntax: sections, value lines, lists, the pass rule, decoding, paths.
#include "data/line_reader.h"

#include <gtest/gtest.h>

#include <fstream>

#include "data/path_resolver.h"
#include "data/text_file.h"
#include "test_support/temp_dir.h"

namespace tressmoor::data {
namespace {

TEST(LineReader, KeyOpensOnExactCaseSensitivePrefix) {
    LineReader r({"[Stops] and a remark", "[stops]", "[Stop", " [Stop]"});
    ASSERT_TRUE(r.next());
    EXPECT_TRUE(r.opens("[Stops]"));
    EXPECT_TRUE(r.opens("[Stop"));
    EXPECT_FALSE(r.opens("[Stop]"));
    ASSERT_TRUE(r.next());
    EXPECT_FALSE(r.opens("[Stops]"));
    ASSERT_TRUE(r.next());
    EXPECT_FALSE(r.opens("[Stop]"));
    ASSERT_TRUE(r.next());
    EXPECT_FALSE(r.opens("[Stop]"));
    EXPECT_FALSE(r.next());
}

TEST(LineReader, ValueLinesAreReadWithoutTestAndBecomeCurrent) {
    LineReader r({"[Neutral]", "[Stop]", "x"});
    ASSERT_TRUE(r.next());
    ASSERT_TRUE(r.opens("[Neutral]"));
    EXPECT_EQ(r.value(), "[Stop]");
    // The remaining tests of the same pass see the value line.
    EXPECT_TRUE(r.opens("[Stop]"));
    EXPECT_EQ(r.value(), "x");
    EXPECT_EQ(r.value(), std::nullopt);
    EXPECT_EQ(r.current(), "");
    EXPECT_FALSE(r.next());
}

TEST(LineReader, ListsEndAtAHashLineWhichIsConsumedOrAtTheEnd) {
    LineReader r({"[L]", "a", "", "b#", "# end", "[M]", "c"});
    r.next();
    EXPECT_EQ(r.list(), (std::vector<std::string>{"a", "", "b#"}));
    EXPECT_EQ(r.current(), "# end");
    r.next();
    EXPECT_EQ(r.list(), (std::vector<std::string>{"c"}));
    EXPECT_TRUE(r.atEnd());
}

TEST(TextFile, SplitsOnLfCrLfAndLoneCr) {
    EXPECT_EQ(splitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines("a\n"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(splitLines("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(splitLines("").empty());
}

TEST(TextFile, DecodesShiftJisUtf8AndBom) {
    const std::string utf8 = "前進,中立";
    const std::string sjis = encodeCp932(utf8);
    ASSERT_NE(sjis, utf8);
    EXPECT_FALSE(isValidUtf8(sjis));
    EXPECT_EQ(decodeText(sjis), utf8);
    EXPECT_EQ(decodeText(utf8), utf8);
    EXPECT_EQ(decodeText("\xEF\xBB\xBF" + utf8), utf8);
    // CP932 extensions beyond plain Shift_JIS: circled digits and the wave dash variant.
    EXPECT_EQ(decodeText(encodeCp932("①～")), "①～");
    // Bytes that are not CP932 at all become U+FFFD; the rest survives.
    EXPECT_EQ(decodeText(std::string("A\x80\xFF" "B")), "A\xEF\xBF\xBD\xEF\xBF\xBD" "B");
}

TEST(TextFile, MarkedUtf8WithIllFormedBytesDecodesToWellFormedText) {
    // Bytes beyond U+10FFFF, a surrogate, an overlong form, a lone continuation byte and a cut
    // character at the end: each becomes one U+FFFD, the characters between them survive.
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(decodeText("\xEF\xBB\xBF"
                         "A\xF5\x80"
                         "B\xED\xA0\x80"
                         "C\xC0\xAF"
                         "D\x80"
                         "前\xE5\x89"),
              "A" + fffd + "B" + fffd + "C" + fffd + "D" + fffd + "前" + fffd);
    // A file the fuzzer made: marked, then mostly bytes that are not UTF-8.
    const std::string damaged =
        "\xEF\xBB\xBFTit(\xFF\xFF\xFFl\xFF\x93\x91\x9A\xF5\xF5\x93\x9E\xB6\xFF"
        "CP932ne\n\n.ast";
    const std::string text = decodeText(damaged);
    EXPECT_TRUE(isValidUtf8(text));
    EXPECT_EQ(splitLines(text).size(), 3u);
    EXPECT_TRUE(text.starts_with("Tit(" + fffd));
}

TEST(TextFile, ReadsShiftJisFileWithCrLf) {
    test_support::TempDir dir;
    {
        std::ofstream out(dir.path() / "s.dat", std::ios::binary);
        out << encodeCp932("[Forward]\r\n前進\r\n");
    }
    auto lines = readTextLines(dir.path() / "s.dat");
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (std::vector<std::string>{"[Forward]", "前進"}));
    EXPECT_FALSE(readTextLines(dir.path() / "missing.dat"));
    EXPECT_FALSE(readTextLines(dir.path()));
}

TEST(PathResolver, MapsBackslashesAndFindsNamesWhateverTheirCase) {
    test_support::TempDir dir;
    std::filesystem::create_directories(dir.path() / "Sound" / "Train");
    std::ofstream(dir.path() / "Sound" / "Train" / "Motor.WAV") << "x";

    EXPECT_EQ(resolveDataPath(dir.path(), "sound\\train\\motor.wav"),
              dir.path() / "Sound" / "Train" / "Motor.WAV");
    EXPECT_EQ(resolveDataPath(dir.path(), "Sound/Train/Motor.WAV"),
              dir.path() / "Sound" / "Train" / "Motor.WAV");
    // A missing file keeps the part that does not exist as written.
    EXPECT_EQ(resolveDataPath(dir.path(), "sound\\train\\horn.wav"),
              dir.path() / "Sound" / "Train" / "horn.wav");
    EXPECT_EQ(resolveDataPath(dir.path(), "image\\x.bmp"), dir.path() / "image" / "x.bmp");
}

}  // namespace
}  // namespace tressmoor::data
