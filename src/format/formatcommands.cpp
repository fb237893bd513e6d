#include "formatcommands.h"

#include "platform/commondialog.h"
#include "platform/richtextbox.h"

#include <QTextCursor>

namespace borovka {

namespace {
// Font dialog: screen and printer fonts (1, 2) and the effects (256).
constexpr int FontFlags = 1 | 2 | 256;
// Colour dialog: open with the current colour.
constexpr int ColorFlags = 1;
} // namespace

FormatCommands::FormatCommands(RichTextBox &rich, CommonDialog &dialog)
    : Rich1(rich), CommonDialog1(dialog)
{
}

// A toggle switches the style off only when the whole selection has it;
// a mixed selection becomes wholly styled.
void FormatCommands::tucne_Click() { Rich1.setSelBold(!(Rich1.SelBold() == true)); }
void FormatCommands::kurziva_Click() { Rich1.setSelItalic(!(Rich1.SelItalic() == true)); }
void FormatCommands::podtrzene_Click() { Rich1.setSelUnderline(!(Rich1.SelUnderline() == true)); }
void FormatCommands::preskrtnute_Click() { Rich1.setSelStrikeThru(!(Rich1.SelStrikeThru() == true)); }

void FormatCommands::vetsi_Click() { Rich1.stepSelFontSize(SizeStep); }
void FormatCommands::mensi_Click() { Rich1.stepSelFontSize(-SizeStep); }

void FormatCommands::druh_Click()
{
    CommonDialog1.Flags = FontFlags;
    CommonDialog1.ShowFont();
    // One undo step for the seven writes.
    QTextCursor block(Rich1.document());
    block.beginEditBlock();
    Rich1.setSelFontName(CommonDialog1.FontName);
    Rich1.setSelFontSize(CommonDialog1.FontSize);
    Rich1.setSelBold(CommonDialog1.FontBold);
    Rich1.setSelItalic(CommonDialog1.FontItalic);
    Rich1.setSelUnderline(CommonDialog1.FontUnderline);
    Rich1.setSelStrikeThru(CommonDialog1.FontStrikethru);
    Rich1.setSelColor(CommonDialog1.Color);
    block.endEditBlock();
}

void FormatCommands::barva_Click()
{
    CommonDialog1.Flags = ColorFlags;
    CommonDialog1.ShowColor();
    Rich1.setSelColor(CommonDialog1.Color);
}

void FormatCommands::vlevo_Click() { Rich1.setSelAlignment(Align::Left); }
void FormatCommands::mnleft_Click() { vlevo_Click(); }
void FormatCommands::stred_Click() { Rich1.setSelAlignment(Align::Center); }
void FormatCommands::mncenter_Click() { stred_Click(); }
void FormatCommands::vpravo_Click() { Rich1.setSelAlignment(Align::Right); }
void FormatCommands::mnright_Click() { vpravo_Click(); }

} // namespace borovka
