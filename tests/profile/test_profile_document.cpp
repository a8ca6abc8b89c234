// The in-memory profile document: how it reads a file and how its edits
// change the bytes.

#include "profile/profile_document.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <QByteArray>
#include <QString>

#include <optional>
#include <random>
#include <string>

namespace kvapomer {
namespace {

using test::cp1250;

// ---------------------------------------------------------------------------
// Reading

struct ReadCase {
    const char* name;
    QByteArray file;
    const char* section;
    const char* key;
    std::optional<const char*> expected; // nothing: the key is absent
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadRules : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadRules, FindsTheValueAsWindowsDoes) {
    const ReadCase& c = GetParam();
    const ProfileDocument document(c.file);
    const std::optional<QString> value =
        document.value(QString::fromUtf8(c.section), QString::fromUtf8(c.key));
    if (c.expected) {
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(*value, QString::fromUtf8(*c.expected));
    } else {
        EXPECT_FALSE(value.has_value()) << value->toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    ProfileDocument, ReadRules,
    ::testing::Values(
        ReadCase{"SectionAndKeyIgnoreCase", "[Main]\r\nBus=150\r\n", "mAIN", "bus", "150"},
        ReadCase{"DescriptionFoundAsLowerCase", "[150]\r\nDescription=x\r\n", "150", "description",
                 "x"},
        ReadCase{"CzechNamesIgnoreCase",
                 cp1250(QString::fromUtf8("[Příjezdy]\r\nPoznámka=ano\r\n")), "PŘÍJEZDY",
                 "POZNÁMKA", "ano"},
        ReadCase{"BlanksInsideBrackets", "[ \tMain\t ]\r\nBus=1\r\n", "Main", "Bus", "1"},
        ReadCase{"BlanksBeforeHeader", "  \t[Main]\r\nBus=1\r\n", "Main", "Bus", "1"},
        ReadCase{"BlanksAroundKeyAndValue", "[Main]\r\n \tBus \t=\t 150 \t\r\n", "Main", "Bus",
                 "150"},
        ReadCase{"InnerBlanksKept", "[S]\r\nk= a  b \r\n", "S", "k", "a  b"},
        ReadCase{"DoubleQuotesRemoved", "[S]\r\nk=\"a b\"\r\n", "S", "k", "a b"},
        ReadCase{"SingleQuotesRemoved", "[S]\r\nk='a b'\r\n", "S", "k", "a b"},
        ReadCase{"QuotesAfterTrimming", "[S]\r\nk=  \" x \"  \r\n", "S", "k", " x "},
        ReadCase{"EmptyQuotes", "[S]\r\nk=\"\"\r\n", "S", "k", ""},
        ReadCase{"MismatchedQuotesKept", "[S]\r\nk=\"x'\r\n", "S", "k", "\"x'"},
        ReadCase{"LoneQuoteKept", "[S]\r\nk=\"\r\n", "S", "k", "\""},
        ReadCase{"QuoteOnOneSideKept", "[S]\r\nk=\"abc\r\n", "S", "k", "\"abc"},
        ReadCase{"NoCommentStripping", "[S]\r\nk=abc ; note # x\r\n", "S", "k", "abc ; note # x"},
        ReadCase{"EqualsInValue", "[S]\r\nk=a=b\r\n", "S", "k", "a=b"},
        ReadCase{"EmptyValue", "[S]\r\nk=\r\n", "S", "k", ""},
        ReadCase{"BlankValue", "[S]\r\nk= \t \r\n", "S", "k", ""},
        ReadCase{"LineWithoutEqualsIsNoKey", "[S]\r\nk\r\n", "S", "k", std::nullopt},
        ReadCase{"CommentLineIsNoSection", "[S]\r\n;[T]\r\nk=1\r\n", "S", "k", "1"},
        ReadCase{"UnclosedBracketIsNoHeader", "[S]\r\n[T\r\nk=1\r\n", "S", "k", "1"},
        ReadCase{"FirstSectionWins", "[S]\r\nk=1\r\n[s]\r\nk=2\r\nj=3\r\n", "S", "k", "1"},
        ReadCase{"RepeatedSectionUnreachable", "[S]\r\nk=1\r\n[s]\r\nj=3\r\n", "S", "j",
                 std::nullopt},
        ReadCase{"FirstKeyWins", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "1"},
        ReadCase{"KeyOfOtherSectionNotSeen", "[A]\r\nk=1\r\n[B]\r\nj=2\r\n", "B", "k",
                 std::nullopt},
        ReadCase{"LfLineEnds", "[A]\nk=1\n[B]\nk=2\n", "B", "k", "2"},
        ReadCase{"CrLineEnds", "[A]\rk=1\r[B]\rk=2\r", "B", "k", "2"},
        ReadCase{"MixedLineEnds", "[A]\r\nk=1\r[B]\nk=2", "B", "k", "2"},
        ReadCase{"BlankLinesIgnored", "\r\n\r\n[A]\r\n\r\n\r\nk=1\r\n\r\n", "A", "k", "1"},
        ReadCase{"TextBeforeFirstSectionBelongsNowhere", "k=1\r\n[A]\r\nj=2\r\n", "", "k",
                 std::nullopt},
        ReadCase{"TextBeforeFirstSectionNotInFirst", "k=1\r\n[A]\r\nj=2\r\n", "A", "k",
                 std::nullopt},
        ReadCase{"MissingSection", "[A]\r\nk=1\r\n", "B", "k", std::nullopt},
        ReadCase{"EmptyFile", "", "A", "k", std::nullopt},
        ReadCase{"ValueInWindows1250", cp1250(QString::fromUtf8("[150]\r\nD=(směr Kačerov)\r\n")),
                 "150", "D", "(směr Kačerov)"}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(ProfileDocumentRead, EveryByteDecodesToOneCharacter) {
    // ReadIniValue relies on this to cut at 699 bytes by cutting characters.
    QByteArray all;
    for (int b = 1; b < 256; ++b) {
        if (b != '\r' && b != '\n') {
            all.append(static_cast<char>(b));
        }
    }
    const ProfileDocument document("[S]\r\nk=\x01" + all + "\x01\r\n");
    const std::optional<QString> value = document.value("S", "k");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->size(), all.size() + 2);
}

// ---------------------------------------------------------------------------
// Writing

struct WriteCase {
    const char* name;
    QByteArray before;
    const char* section;
    const char* key;
    const char* value;
    QByteArray after;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class WriteRules : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteRules, ChangesOnlyWhatItMust) {
    const WriteCase& c = GetParam();
    ProfileDocument document(c.before);
    EXPECT_EQ(document.setValue(QString::fromUtf8(c.section), QString::fromUtf8(c.key),
                                QString::fromUtf8(c.value)),
              c.before != c.after);
    EXPECT_EQ(document.bytes(), c.after);
    // What was written reads back, both from the edited document and from
    // the bytes parsed afresh.
    EXPECT_EQ(document.value(QString::fromUtf8(c.section), QString::fromUtf8(c.key)),
              QString::fromUtf8(c.value).trimmed());
    EXPECT_EQ(ProfileDocument(document.bytes())
                  .value(QString::fromUtf8(c.section), QString::fromUtf8(c.key)),
              QString::fromUtf8(c.value).trimmed());
}

const QByteArray kUsedFile = "; kvapomer\r\n"
                             "preamble text\r\n"
                             "\r\n"
                             "[Main]\r\n"
                             "Bus=150\r\n"
                             "AlertWav=alert.wav\r\n"
                             "; the sound\r\n"
                             "AlertON=ON\r\n"
                             "\r\n"
                             "[Unknown]\r\n"
                             "whatever = it is\r\n"
                             "[Set]\r\n"
                             "Stav=0\r\n";

INSTANTIATE_TEST_SUITE_P(
    ProfileDocument, WriteRules,
    ::testing::Values(
        WriteCase{"ReplacesInPlace", kUsedFile, "main", "bus", "136",
                  QByteArray(kUsedFile).replace("Bus=150", "Bus=136")},
        WriteCase{"ReplacesLastKeyOfFileInPlace", kUsedFile, "SET", "stav", "1",
                  QByteArray(kUsedFile).replace("Stav=0", "Stav=1")},
        WriteCase{"KeepsSpellingDropsBlanks", "[Main]\r\n  BUS \t= 150 \r\nx=1\r\n", "Main", "bus",
                  "7", "[Main]\r\nBUS=7\r\nx=1\r\n"},
        WriteCase{"KeepsTheLinesOwnLineEnd", "[Main]\r\nBus=1\nx=1\r\n", "Main", "Bus", "2",
                  "[Main]\r\nBus=2\nx=1\r\n"},
        WriteCase{"KeepsMissingFinalLineEnd", "[Main]\r\nBus=1", "Main", "Bus", "2",
                  "[Main]\r\nBus=2"},
        WriteCase{"ReplacesQuotedValue", "[S]\r\nk=\"a\"\r\n", "S", "k", "b", "[S]\r\nk=b\r\n"},
        WriteCase{"WritesIntoFirstOfRepeatedSections", "[S]\r\nk=1\r\n[S]\r\nk=2\r\n", "S", "k",
                  "3", "[S]\r\nk=3\r\n[S]\r\nk=2\r\n"},
        WriteCase{"SameValueChangesNothing", kUsedFile, "Main", "Bus", "150", kUsedFile},
        WriteCase{"SameValueInQuotesAndBlanks", "[S]\r\nk = \"v\" \r\n", "S", "K", "v",
                  "[S]\r\nk = \"v\" \r\n"},
        WriteCase{
            "NewKeyAfterLastKeyBeforeBlankAndComment", kUsedFile, "Main", "RedAlertMin", "5",
            QByteArray(kUsedFile).replace("AlertON=ON\r\n", "AlertON=ON\r\nRedAlertMin=5\r\n")},
        WriteCase{"NewKeyAfterLastLineWithEquals", "[A]\nx=1\n;c\ny=2\n\n[B]\n", "A", "z", "3",
                  "[A]\nx=1\n;c\ny=2\nz=3\n\n[B]\n"},
        WriteCase{"NewKeyDirectlyAfterHeaderOfEmptySection", "[A]\r\n; note\r\n\r\n[B]\r\n", "a",
                  "k", "v", "[A]\r\nk=v\r\n; note\r\n\r\n[B]\r\n"},
        WriteCase{"NewKeyAtEndOfFile", "[A]\r\nx=1\r\n", "A", "k", "v", "[A]\r\nx=1\r\nk=v\r\n"},
        WriteCase{"NewKeyAfterMissingFinalLineEnd", "[A]\r\nx=1", "A", "k", "v",
                  "[A]\r\nx=1\r\nk=v\r\n"},
        WriteCase{"NewKeyInFirstOfRepeatedSections", "[S]\r\nk=1\r\n[S]\r\nk=2\r\n", "S", "j", "3",
                  "[S]\r\nk=1\r\nj=3\r\n[S]\r\nk=2\r\n"},
        WriteCase{"NewSectionAtEndWithoutBlankLine", kUsedFile, "150", "Description", "x",
                  kUsedFile + "[150]\r\nDescription=x\r\n"},
        WriteCase{"NewSectionAfterTrailingBlankLines", "[A]\r\nx=1\r\n\r\n\r\n", "B", "k", "v",
                  "[A]\r\nx=1\r\n\r\n\r\n[B]\r\nk=v\r\n"},
        WriteCase{"NewSectionAfterMissingFinalLineEnd", "[A]\r\nx=1", "B", "k", "v",
                  "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        WriteCase{"NewSectionAfterPreambleOnly", "; only a note", "B", "k", "v",
                  "; only a note\r\n[B]\r\nk=v\r\n"},
        WriteCase{"LfFileStaysLf", "[A]\nx=1\n", "B", "k", "v", "[A]\nx=1\n[B]\nk=v\n"},
        WriteCase{"CrFileStaysCr", "[A]\rx=1\r", "A", "k", "v", "[A]\rx=1\rk=v\r"},
        WriteCase{"StyleOfFirstLineEnd", "[A]\nx=1\r\n", "A", "k", "v", "[A]\nx=1\r\nk=v\n"},
        WriteCase{"FileWithoutLineEndGetsCrLf", "[A]", "A", "k", "v", "[A]\r\nk=v\r\n"},
        WriteCase{"NewFileGetsCrLf", "", "Main", "Bus", "150", "[Main]\r\nBus=150\r\n"},
        WriteCase{"EmptyValueWritten", "[A]\r\nk=1\r\n", "A", "k", "", "[A]\r\nk=\r\n"}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST(ProfileDocumentWrite, StoresCzechTextInWindows1250) {
    ProfileDocument document;
    ASSERT_TRUE(document.setValue("150", "Description", QString::fromUtf8("(směr Kačerov)")));
    ASSERT_TRUE(document.setValue(QString::fromUtf8("Příjezdy"), "Bus", "150"));
    EXPECT_EQ(document.bytes(), cp1250(QString::fromUtf8("[150]\r\nDescription=(směr Kačerov)\r\n"
                                                         "[Příjezdy]\r\nBus=150\r\n")));
    EXPECT_EQ(document.value("150", "description"), QString::fromUtf8("(směr Kačerov)"));
    EXPECT_EQ(document.value(QString::fromUtf8("PŘÍJEZDY"), "bus"), "150");
}

TEST(ProfileDocumentWrite, CharacterOutsideTheCodePageBecomesQuestionMark) {
    ProfileDocument document;
    document.setValue("S", "k", QString::fromUtf8("a漢ž😀b"));
    EXPECT_EQ(document.bytes(), "[S]\r\nk=a?\x9e?b\r\n");
}

TEST(ProfileDocumentWrite, LineBreaksInTextCannotSplitTheLine) {
    ProfileDocument document("[S]\r\nk=1\r\n");
    document.setValue("S", "k", "a\r\nb\nc\rd");
    EXPECT_EQ(document.bytes(), "[S]\r\nk=a  b c d\r\n");
}

TEST(ProfileDocumentWrite, UndecodableBytesSurviveAnUnrelatedEdit) {
    const QByteArray odd = "[Odd]\r\nraw=\x81\x83\x88\x90\x98\r\n\x81\x98 junk\r\n";
    ProfileDocument document(odd + "[Main]\r\nBus=1\r\n");
    ASSERT_TRUE(document.value("Odd", "raw").has_value());
    EXPECT_EQ(document.value("Odd", "raw")->size(), 5);
    ASSERT_TRUE(document.setValue("Main", "Bus", "2"));
    ASSERT_TRUE(document.setValue("Odd", "new", "x"));
    EXPECT_EQ(document.bytes(), "[Odd]\r\nraw=\x81\x83\x88\x90\x98\r\nnew=x\r\n\x81\x98 junk\r\n"
                                "[Main]\r\nBus=2\r\n");
}

TEST(ProfileDocumentWrite, UndecodableValueWrittenBackUnchanged) {
    ProfileDocument document("[S]\r\nk=\x81\x98\r\n");
    const QString value = *document.value("S", "k");
    EXPECT_FALSE(document.setValue("S", "k", value));
    EXPECT_TRUE(document.setValue("S", "j", value));
    EXPECT_EQ(document.bytes(), "[S]\r\nk=\x81\x98\r\nj=\x81\x98\r\n");
}

// ---------------------------------------------------------------------------
// Removing sections

struct RemoveCase {
    const char* name;
    QByteArray before;
    const char* section;
    QByteArray after;
};

void PrintTo(const RemoveCase& c, std::ostream* os) {
    *os << c.name;
}

class RemoveRules : public ::testing::TestWithParam<RemoveCase> {};

TEST_P(RemoveRules, RemovesEveryLineOfTheSection) {
    const RemoveCase& c = GetParam();
    ProfileDocument document(c.before);
    EXPECT_EQ(document.removeSection(QString::fromUtf8(c.section)), c.before != c.after);
    EXPECT_EQ(document.bytes(), c.after);
    EXPECT_FALSE(document.value(QString::fromUtf8(c.section), "k").has_value());
}

INSTANTIATE_TEST_SUITE_P(
    ProfileDocument, RemoveRules,
    ::testing::Values(
        RemoveCase{"MiddleWithCommentsAndBlankLines",
                   "pre\r\n[A]\r\nk=1\r\n[150]\r\nk=2\r\n; c\r\n\r\n[B]\r\nk=3\r\n", "150",
                   "pre\r\n[A]\r\nk=1\r\n[B]\r\nk=3\r\n"},
        RemoveCase{"LastSection", "[A]\r\nk=1\r\n[150]\r\nk=2\r\nt0=1", "150", "[A]\r\nk=1\r\n"},
        RemoveCase{"EveryRepeat", "[x]\r\nk=1\r\n[A]\r\nj=2\r\n[X]\r\nk=3\r\n[ x ]\r\n", "X",
                   "[A]\r\nj=2\r\n"},
        RemoveCase{"OnlySection", "[A]\nk=1\n", "a", ""},
        RemoveCase{"KeepsPreamble", "k=0\n[A]\nk=1\n", "A", "k=0\n"},
        RemoveCase{"MissingSectionNoChange", "[A]\r\nk=1\r\n", "B", "[A]\r\nk=1\r\n"},
        RemoveCase{"CzechName", cp1250(QString::fromUtf8("[Č]\r\nk=1\r\n[A]\r\n")), "č",
                   "[A]\r\n"}),
    [](const ::testing::TestParamInfo<RemoveCase>& info) { return std::string(info.param.name); });

TEST(ProfileDocumentRemove, NoStaleRepeatShadowsNewData) {
    ProfileDocument document("[150]\r\nk=old\r\n[Main]\r\nBus=150\r\n[150]\r\nk=older\r\n");
    ASSERT_TRUE(document.removeSection("150"));
    ASSERT_TRUE(document.setValue("150", "k", "new"));
    EXPECT_EQ(document.bytes(), "[Main]\r\nBus=150\r\n[150]\r\nk=new\r\n");
    EXPECT_EQ(ProfileDocument(document.bytes()).value("150", "k"), "new");
}

// ---------------------------------------------------------------------------
// The save of a line, and the index kept across edits

TEST(ProfileDocumentSave, RewritesTheLineSectionAtTheEnd) {
    ProfileDocument document("[Main]\r\nBus=150\r\nAlertWav=a.wav\r\n"
                             "[136]\r\nDescription=old\r\nt0=05:00\r\nNumberOfTimes=1\r\n"
                             "[150]\r\nt0=01:00\r\nNumberOfTimes=1\r\n"
                             "[Set]\r\nStav=1\r\n");
    const int count = 1440;
    document.removeSection("136");
    document.setValue("136", "Description", QString::fromUtf8("(směr Kačerov)"));
    document.setValue("Main", "Bus", "136");
    QByteArray times;
    for (int i = 0; i < count; ++i) {
        const QString time =
            QStringLiteral("%1:%2").arg(i / 60, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0'));
        document.setValue("136", QStringLiteral("t%1").arg(i), time);
        times += "t" + QByteArray::number(i) + "=" + time.toLatin1() + "\r\n";
    }
    document.setValue("136", "NumberOfTimes", QString::number(count));
    document.setValue("Main", "AlertON", "ON");
    document.setValue("Main", "RedAlertMin", "5");

    const QByteArray expected = "[Main]\r\nBus=136\r\nAlertWav=a.wav\r\nAlertON=ON\r\n"
                                "RedAlertMin=5\r\n"
                                "[150]\r\nt0=01:00\r\nNumberOfTimes=1\r\n"
                                "[Set]\r\nStav=1\r\n"
                                "[136]\r\n" +
                                cp1250(QString::fromUtf8("Description=(směr Kačerov)\r\n")) +
                                times + "NumberOfTimes=1440\r\n";
    EXPECT_EQ(document.bytes(), expected);
    const ProfileDocument reread(document.bytes());
    EXPECT_EQ(reread.value("136", "t1439"), "23:59");
    EXPECT_EQ(reread.value("136", "numberoftimes"), "1440");
}

// Random edits on a small set of names: after each one the edited document
// must answer exactly as the same bytes parsed afresh.
TEST(ProfileDocumentIndex, AgreesWithAFreshParseAfterAnyEdits) {
    const QStringList sections = {
        "Main", "main", "150", "136", "Set", QString::fromUtf8("Č"), QString::fromUtf8("č")};
    // "[k" with a value ending in "]" turns its line into a section header.
    const QStringList keys = {"Bus", "bus", "t0", "t1", "T1", "Description", "x", "[k"};
    std::mt19937 random(20240601);
    ProfileDocument document("pre=1\r\n[Main]\r\nBus=1\r\n\r\n; c\r\n[150]\r\n[main]\r\nx=2");
    for (int step = 0; step < 600; ++step) {
        const QString& section = sections[static_cast<int>(random() % sections.size())];
        const QString& key = keys[static_cast<int>(random() % keys.size())];
        const int action = static_cast<int>(random() % 10);
        if (action == 0) {
            document.removeSection(section);
        } else if (action == 1) {
            document = ProfileDocument(document); // copies rebuild their index
        } else {
            document.setValue(section, key, QString::number(step) + (step % 5 ? "" : "]"));
        }
        const ProfileDocument fresh(document.bytes());
        for (const QString& s : sections) {
            for (const QString& k : keys) {
                ASSERT_EQ(document.value(s, k), fresh.value(s, k))
                    << "step " << step << " section " << s.toStdString() << " key "
                    << k.toStdString();
            }
        }
    }
}

TEST(ProfileDocumentCopy, CopiesAreIndependent) {
    ProfileDocument original("[A]\r\nk=1\r\n");
    ProfileDocument copy(original);
    copy.setValue("A", "k", "2");
    copy.setValue("A", "j", "3");
    EXPECT_EQ(original.bytes(), "[A]\r\nk=1\r\n");
    EXPECT_EQ(original.value("A", "j"), std::nullopt);
    EXPECT_EQ(copy.bytes(), "[A]\r\nk=2\r\nj=3\r\n");

    ProfileDocument moved(std::move(copy));
    EXPECT_EQ(moved.value("A", "j"), "3");
}

TEST(ProfileDocumentCopy, KeepsItsOwnBytesOfBorrowedData) {
    QByteArray buffer = "[A]\r\nk=1\r\n";
    ProfileDocument document(QByteArray::fromRawData(buffer.constData(), buffer.size()));
    buffer.fill('x');
    EXPECT_EQ(document.value("A", "k"), "1");
    EXPECT_EQ(document.bytes(), "[A]\r\nk=1\r\n");
}

} // namespace
} // namespace kvapomer

namespace kvapomer {
namespace {

TEST(ProfileDocumentWrite, LineEndsThatAParseWouldJoinAreJoined) {
    // A new line ending in CR before an empty line ending in LF: the bytes
    // read as one line ending in CRLF, and the next edit must see that.
    ProfileDocument document(QByteArray("x\r[s]\n\n"));
    document.setValue("s", "k", "v");
    document.setValue("s", "j", "w");
    EXPECT_EQ(document.bytes(), "x\r[s]\nk=v\r\nj=w\r");
}

} // namespace
} // namespace kvapomer
