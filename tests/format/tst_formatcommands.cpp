// The toolbar's formatting commands over the selections a writer makes:
// a whole run, part of a run, a mixed one, none, and across paragraphs.

#include "selection.h"
#include "format/formatcommands.h"
#include "platform/commondialog.h"
#include "platform/richtextbox.h"
#include "platform/scripteddialogs.h"

#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

using namespace borovka;
using namespace borovka::testing;
using Kind = ScriptedDialogs::Kind;

namespace {

// "alpha beta\ngamma delta": "beta" (6..10) carries the style under test.
const QString Text = QStringLiteral("alpha beta\ngamma delta");

struct Snapshot {
    std::optional<bool> bold, italic, underline, strike;
    std::optional<double> size;
    std::optional<QString> face;
    std::optional<QColor> color;
    bool operator==(const Snapshot &) const = default;
};

Snapshot snapshot(const RichTextBox &box)
{
    return {box.SelBold(), box.SelItalic(), box.SelUnderline(), box.SelStrikeThru(),
            box.SelFontSize(), box.SelFontName(), box.SelColor()};
}

void click(FormatCommands &commands, Style t)
{
    switch (t) {
    case Style::Bold: commands.tucne_Click(); break;
    case Style::Italic: commands.kurziva_Click(); break;
    case Style::Underline: commands.podtrzene_Click(); break;
    case Style::StrikeThru: commands.preskrtnute_Click(); break;
    }
}

std::optional<bool> tri(int v) { return v < 0 ? std::nullopt : std::optional<bool>(v == 1); }

} // namespace

class tst_FormatCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void toggles_data();
    void toggles();
    void toggleAtInsertionPointAppliesToTypedText_data();
    void toggleAtInsertionPointAppliesToTypedText();
    void sizeSteps_data();
    void sizeSteps();
    void sizeStepAtInsertionPoint();
    void fontDialogAppliesAllSeven();
    void fontDialogCancelAppliesHeldValues();
    void fontDialogFirstCancelKeepsFace();
    void colourDialog();
    void alignment_data();
    void alignment();

private:
    std::unique_ptr<RichTextBox> m_box;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<CommonDialog> m_common;
    std::unique_ptr<FormatCommands> m_commands;
};

void tst_FormatCommands::init()
{
    m_box = std::make_unique<RichTextBox>();
    m_box->setPlainText(Text);
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_common = std::make_unique<CommonDialog>(*m_dialogs);
    m_commands = std::make_unique<FormatCommands>(*m_box, *m_common);
}

void tst_FormatCommands::cleanup()
{
    if (m_dialogs) {
        QCOMPARE(m_dialogs->problems(), QStringList());
        QCOMPARE(m_dialogs->pending(), 0);
    }
    m_commands.reset();
    m_common.reset();
    m_dialogs.reset();
    m_box.reset();
}

void tst_FormatCommands::toggles_data()
{
    QTest::addColumn<Style>("toggle");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("before"); // 1 on, 0 off, -1 mixed
    QTest::addColumn<int>("afterFirst");
    QTest::addColumn<int>("afterSecond");

    const std::pair<const char *, Style> toggles[] = {
        {"B", Style::Bold}, {"I", Style::Italic}, {"U", Style::Underline}, {"S", Style::StrikeThru}};
    for (const auto &[name, t] : toggles) {
        QTest::addRow("%s whole run", name) << t << 6 << 10 << 1 << 0 << 1;
        QTest::addRow("%s part of a run", name) << t << 7 << 9 << 1 << 0 << 1;
        QTest::addRow("%s plain run", name) << t << 0 << 5 << 0 << 1 << 0;
        QTest::addRow("%s mixed", name) << t << 3 << 8 << -1 << 1 << 0;
        QTest::addRow("%s across paragraphs", name) << t << 8 << 16 << -1 << 1 << 0;
    }
}

void tst_FormatCommands::toggles()
{
    QFETCH(Style, toggle);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(int, before);
    QFETCH(int, afterFirst);
    QFETCH(int, afterSecond);

    // Other properties differ between runs, so a stray write would show.
    select(*m_box, 6, 10);
    writeStyle(*m_box, toggle, true);
    select(*m_box, 0, 22);
    m_box->setSelColor(QColor(0, 128, 0));
    select(*m_box, start, end);
    QCOMPARE(readStyle(*m_box, toggle), tri(before));
    const Snapshot othersBefore = snapshot(*m_box);

    click(*m_commands, toggle);
    QCOMPARE(readStyle(*m_box, toggle), tri(afterFirst));
    click(*m_commands, toggle);
    QCOMPARE(readStyle(*m_box, toggle), tri(afterSecond));

    // Everything but the toggled style is as it was.
    Snapshot othersAfter = snapshot(*m_box);
    switch (toggle) {
    case Style::Bold: othersAfter.bold = othersBefore.bold; break;
    case Style::Italic: othersAfter.italic = othersBefore.italic; break;
    case Style::Underline: othersAfter.underline = othersBefore.underline; break;
    case Style::StrikeThru: othersAfter.strike = othersBefore.strike; break;
    }
    QVERIFY(othersAfter == othersBefore);
    QCOMPARE(m_box->toPlainText(), Text);
}

void tst_FormatCommands::toggleAtInsertionPointAppliesToTypedText_data()
{
    QTest::addColumn<Style>("toggle");
    QTest::newRow("B") << Style::Bold;
    QTest::newRow("I") << Style::Italic;
    QTest::newRow("U") << Style::Underline;
    QTest::newRow("S") << Style::StrikeThru;
}

void tst_FormatCommands::toggleAtInsertionPointAppliesToTypedText()
{
    QFETCH(Style, toggle);
    select(*m_box, 2, 2);
    click(*m_commands, toggle);
    QTest::keyClicks(m_box.get(), QStringLiteral("XY"));
    QCOMPARE(m_box->toPlainText().left(7), QStringLiteral("alXYpha"));
    select(*m_box, 2, 4);
    QCOMPARE(readStyle(*m_box, toggle), std::optional<bool>(true));
    // The existing word around it is unchanged.
    select(*m_box, 0, 2);
    QCOMPARE(readStyle(*m_box, toggle), std::optional<bool>(false));
    select(*m_box, 4, 7);
    QCOMPARE(readStyle(*m_box, toggle), std::optional<bool>(false));
}

void tst_FormatCommands::sizeSteps_data()
{
    QTest::addColumn<double>("size");
    QTest::addColumn<QString>("clicks"); // + and -
    QTest::addColumn<double>("expected");
    QTest::newRow("11.5 up") << 11.5 << "+" << 15.5;
    QTest::newRow("11.5 down") << 11.5 << "-" << 7.5;
    QTest::newRow("up then down restores") << 11.5 << "+-" << 11.5;
    QTest::newRow("twice up") << 10.0 << "++" << 18.0;
    QTest::newRow("down to the lower limit") << 4.0 << "-" << RichTextBox::MinFontSize;
    QTest::newRow("below the limit stays") << 1.0 << "--" << RichTextBox::MinFontSize;
    QTest::newRow("up to the upper limit") << 1636.0 << "+" << RichTextBox::MaxFontSize;
}

void tst_FormatCommands::sizeSteps()
{
    QFETCH(double, size);
    QFETCH(QString, clicks);
    QFETCH(double, expected);
    select(*m_box, 6, 10);
    m_box->setSelFontSize(size);
    m_box->setSelItalic(true);
    const Snapshot before = snapshot(*m_box);
    for (QChar c : clicks)
        c == QLatin1Char('+') ? m_commands->vetsi_Click() : m_commands->mensi_Click();
    QCOMPARE(m_box->SelFontSize(), std::optional<double>(expected));
    Snapshot after = snapshot(*m_box);
    after.size = before.size;
    QVERIFY2(after == before, "only the size changes");
    // The text around the selection keeps its size.
    select(*m_box, 0, 5);
    QCOMPARE(m_box->SelFontSize(), std::optional<double>(11.25));
}

void tst_FormatCommands::sizeStepAtInsertionPoint()
{
    select(*m_box, 5, 5);
    m_commands->vetsi_Click();
    QTest::keyClicks(m_box.get(), QStringLiteral("Z"));
    select(*m_box, 5, 6);
    QCOMPARE(m_box->SelFontSize(), std::optional<double>(15.25));
    select(*m_box, 0, 5);
    QCOMPARE(m_box->SelFontSize(), std::optional<double>(11.25));
}

void tst_FormatCommands::fontDialogAppliesAllSeven()
{
    // A selection mixing faces, sizes and styles becomes uniform.
    select(*m_box, 6, 10);
    m_box->setSelBold(true);
    m_box->setSelFontSize(20);
    select(*m_box, 3, 16);
    m_dialogs->accept(Kind::Font, [](DialogValues &v) {
        v.FontName = QStringLiteral("Liberation Serif");
        v.FontSize = 14.5;
        v.FontBold = false;
        v.FontItalic = true;
        v.FontUnderline = true;
        v.FontStrikethru = false;
        v.Color = QColor(200, 0, 0);
    });
    m_commands->druh_Click();
    QCOMPARE(m_dialogs->shown.first().values.Flags, 259);
    const Snapshot s = snapshot(*m_box);
    QCOMPARE(s.face, std::optional<QString>(QStringLiteral("Liberation Serif")));
    QCOMPARE(s.size, std::optional<double>(14.5));
    QCOMPARE(s.bold, std::optional<bool>(false));
    QCOMPARE(s.italic, std::optional<bool>(true));
    QCOMPARE(s.underline, std::optional<bool>(true));
    QCOMPARE(s.strike, std::optional<bool>(false));
    QCOMPARE(s.color, std::optional<QColor>(QColor(200, 0, 0)));
    // One command, one undo step.
    m_box->undo();
    QCOMPARE(m_box->SelItalic(), std::optional<bool>(false));
}

void tst_FormatCommands::fontDialogCancelAppliesHeldValues()
{
    // Red picked in the colour dialog is preselected in the font dialog.
    m_dialogs->accept(Kind::Color, [](DialogValues &v) { v.Color = QColor(255, 0, 0); });
    m_dialogs->accept(Kind::Font, [](DialogValues &v) {
        v.FontName = QStringLiteral("Liberation Sans");
        v.FontSize = 14;
        v.FontBold = true;
    });
    m_dialogs->cancel(Kind::Font);
    select(*m_box, 0, 5);
    m_commands->barva_Click();
    m_commands->druh_Click();
    QCOMPARE(m_dialogs->shown.at(1).values.Color, QColor(255, 0, 0));

    select(*m_box, 11, 16); // a new selection, then Cancel
    m_commands->druh_Click();
    const Snapshot s = snapshot(*m_box);
    QCOMPARE(s.face, std::optional<QString>(QStringLiteral("Liberation Sans")));
    QCOMPARE(s.size, std::optional<double>(14));
    QCOMPARE(s.bold, std::optional<bool>(true));
    QCOMPARE(s.color, std::optional<QColor>(QColor(255, 0, 0)));
}

void tst_FormatCommands::fontDialogFirstCancelKeepsFace()
{
    select(*m_box, 0, 5);
    const std::optional<QString> face = m_box->SelFontName();
    m_dialogs->cancel(Kind::Font);
    m_commands->druh_Click();
    QCOMPARE(m_box->SelFontName(), face);
    QCOMPARE(m_box->SelFontSize(), std::optional<double>(8)); // the dialog's initial size
}

void tst_FormatCommands::colourDialog()
{
    select(*m_box, 6, 10);
    m_box->setSelBold(true);
    m_box->setSelFontSize(13);
    const Snapshot before = snapshot(*m_box);
    m_dialogs->accept(Kind::Color, [](DialogValues &v) { v.Color = QColor(0, 0, 255); });
    m_dialogs->cancel(Kind::Color);
    m_commands->barva_Click();
    QCOMPARE(m_dialogs->shown.first().values.Flags, 1);
    Snapshot after = snapshot(*m_box);
    QCOMPARE(after.color, std::optional<QColor>(QColor(0, 0, 255)));
    after.color = before.color;
    QVERIFY2(after == before, "only the colour changes");

    // A second use preselects blue; Cancel on another word gives it blue.
    select(*m_box, 0, 5);
    m_commands->barva_Click();
    QCOMPARE(m_dialogs->shown.at(1).values.Color, QColor(0, 0, 255));
    QCOMPARE(m_box->SelColor(), std::optional<QColor>(QColor(0, 0, 255)));
}

void tst_FormatCommands::alignment_data()
{
    QTest::addColumn<QString>("handler");
    QTest::addColumn<Qt::Alignment>("expected");
    QTest::newRow("vlevo") << "vlevo_Click" << Qt::Alignment(Qt::AlignLeft);
    QTest::newRow("mnleft") << "mnleft_Click" << Qt::Alignment(Qt::AlignLeft);
    QTest::newRow("stred") << "stred_Click" << Qt::Alignment(Qt::AlignHCenter);
    QTest::newRow("mncenter") << "mncenter_Click" << Qt::Alignment(Qt::AlignHCenter);
    QTest::newRow("vpravo") << "vpravo_Click" << Qt::Alignment(Qt::AlignRight);
    QTest::newRow("mnright") << "mnright_Click" << Qt::Alignment(Qt::AlignRight);
}

void tst_FormatCommands::alignment()
{
    QFETCH(QString, handler);
    QFETCH(Qt::Alignment, expected);
    m_box->setPlainText(QStringLiteral("one\ntwo\nthree\nfour"));
    select(*m_box, 0, 18);
    QTextBlockFormat justified;
    justified.setAlignment(Qt::AlignJustify);
    m_box->textCursor().mergeBlockFormat(justified);
    select(*m_box, 0, 3);
    m_box->setSelBold(true);

    // From the middle of "two" to the middle of "three": both paragraphs.
    select(*m_box, 5, 10);
    const Snapshot before = snapshot(*m_box);
    QVERIFY(QMetaObject::invokeMethod(m_commands.get(), handler.toLatin1().constData()));
    QVERIFY(QMetaObject::invokeMethod(m_commands.get(), handler.toLatin1().constData()));
    QList<Qt::Alignment> got;
    for (QTextBlock b = m_box->document()->begin(); b.isValid(); b = b.next())
        got << (b.blockFormat().alignment() & Qt::AlignHorizontal_Mask);
    QCOMPARE(got, (QList<Qt::Alignment>{Qt::AlignJustify, expected, expected, Qt::AlignJustify}));
    QVERIFY(snapshot(*m_box) == before);
    select(*m_box, 0, 3);
    QCOMPARE(m_box->SelBold(), std::optional<bool>(true));
}

QTEST_MAIN(tst_FormatCommands)
#include "tst_formatcommands.moc"
