#pragma once

#include <QObject>

namespace borovka {

class CommonDialog;
class RichTextBox;

// The toolbar's formatting commands. They work on the selection of the
// editing area and keep no state; the dialog object remembers the last
// font and colour.
class FormatCommands : public QObject {
    Q_OBJECT

public:
    FormatCommands(RichTextBox &Rich1, CommonDialog &CommonDialog1);

    static constexpr double SizeStep = 4.0;

public Q_SLOTS:
    void tucne_Click();
    void kurziva_Click();
    void podtrzene_Click();
    void preskrtnute_Click();

    void vetsi_Click();
    void mensi_Click();

    void druh_Click();
    void barva_Click();

    void vlevo_Click();
    void mnleft_Click();
    void stred_Click();
    void mncenter_Click();
    void vpravo_Click();
    void mnright_Click();

private:
    RichTextBox &Rich1;
    CommonDialog &CommonDialog1;
};

} // namespace borovka
