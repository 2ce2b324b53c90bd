#include "common/codec.h"
#include "session/messagecheck.h"

#include <QTest>

using namespace zn;

class tst_MessageCheck : public QObject {
    Q_OBJECT

private slots:
    void checks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("allowEmpty");
        QTest::addColumn<int>("result");
        const QString kanji1024(1024, QChar(0x6F22)); // 漢, two bytes each
        QTest::addRow("2048 single-byte characters") << QString(2048, u'a') << false << int(CheckedText::Ok);
        QTest::addRow("2049 single-byte characters") << QString(2049, u'a') << false << int(CheckedText::TooLong);
        QTest::addRow("1024 double-byte characters") << kanji1024 << false << int(CheckedText::Ok);
        QTest::addRow("1024 double-byte and one byte") << kanji1024 + u'a' << false << int(CheckedText::TooLong);
        QTest::addRow("1023 line breaks and two bytes count CR LF twice")
            << QString(1023, u'\n') + u"ab" << false << int(CheckedText::Ok);
        QTest::addRow("1024 line breaks and one byte")
            << QString(1024, u'\n') + u'a' << false << int(CheckedText::TooLong);
        QTest::addRow("both sequences: the field separator first")
            << u"a\\|b&|c"_qs << false << int(CheckedText::FieldSeparator);
        QTest::addRow("line-break escape") << u"a\\|b"_qs << false << int(CheckedText::LineBreakEscape);
        // ソ is 83 5C in CP932: followed by "|" peers read "\|".
        QTest::addRow("double-byte character ending in 5C before |")
            << u"ソ|"_qs << false << int(CheckedText::LineBreakEscape);
        QTest::addRow("empty") << QString() << false << int(CheckedText::Empty);
        QTest::addRow("empty from the clipboard") << QString() << true << int(CheckedText::Ok);
        QTest::addRow("blanks and line breaks are text") << u" \n "_qs << false << int(CheckedText::Ok);
        QTest::addRow("emoji") << u"hi \U0001F600"_qs << false << int(CheckedText::Unencodable);
        QTest::addRow("emoji after a field separator")
            << u"&|\U0001F600"_qs << false << int(CheckedText::FieldSeparator);
        QTest::addRow("an emoji between & and | makes no separator")
            << u"&\U0001F600|"_qs << false << int(CheckedText::Unencodable);
    }
    void checks()
    {
        QFETCH(QString, text);
        QFETCH(bool, allowEmpty);
        QFETCH(int, result);
        const CheckedText checked = CheckMessageText(text, allowEmpty);
        QCOMPARE(int(checked.result), result);
        QCOMPARE(checked.message.isEmpty(), checked.ok());
        if (checked.ok())
            QCOMPARE(MessageTextBytes(text), checked.bytes.size());
    }

    void messages_areTheProgramsTexts()
    {
        QCOMPARE(CheckMessageText(u"a&|b\\|"_qs).message, u"送信メッセージに「&|」を含めることはできません。"_qs);
        QCOMPARE(CheckMessageText(u"\\|"_qs).message, u"送信メッセージに「\\|」を含めることはできません。"_qs);
        QCOMPARE(CheckMessageText(QString()).message, u"送信するメッセージを入力してください。"_qs);
        QCOMPARE(CheckMessageText(QString(2049, u'x')).message,
                 u"送信メッセージが最大文字数（2048文字）を越えているため、送信することができません。"_qs);
        // The refusal names the character.
        QVERIFY(CheckMessageText(u"x\U0001F600"_qs).message.contains(u"\U0001F600"_qs));
        QVERIFY(CheckMessageText(u"x\U0001F600"_qs).message.contains(u"U+1F600"_qs));
    }

    void lineBreaks_becomeCrLfBeforeSending()
    {
        QCOMPARE(CheckMessageText(u"a\nb\rc\r\nd"_qs).bytes, "a\r\nb\r\nc\r\nd");
        QCOMPARE(CheckMessageText(u"日本"_qs).bytes, cp932::bytes(u"日本"));
    }
};

QTEST_GUILESS_MAIN(tst_MessageCheck)
#include "tst_messagecheck.moc"
