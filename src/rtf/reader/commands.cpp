// The control words the reader knows and what each of them is.

#include "commands.h"

// Enumerations only: nothing here links Qt's graphical side.
#include <QFont>
#include <QTextCharFormat>
#include <QTextFrameFormat>
#include <QTextOption>

namespace rtf::detail {

namespace {

struct Spec {
    Kind kind;
    Concern concern = Concern::Document;
    bool afterStar = false;
};

// What each word the table names is: its kind, the part of the document it
// describes, and whether it may follow \*.
constexpr Spec specOf(Cmd c)
{
    using K = Kind;
    using C = Concern;
    switch (c) {
    // Destinations a reader may skip unknown, so \* may come before them.
    case Cmd::FontTable: case Cmd::ColorTable: case Cmd::SkipDest: case Cmd::FontAltName: case Cmd::ListTable:
    case Cmd::ListOverrideTable: case Cmd::Pn: case Cmd::ListText:
    case Cmd::Footnote: // {\*\footnote} of LibreOffice
    case Cmd::Bookmark: case Cmd::OpaqueGroup: // {\*\bkmkstart ...}
    case Cmd::Generator:
        return {K::Destination, C::Document, true};
    case Cmd::Upr: case Cmd::Ud: case Cmd::Object: case Cmd::Result: case Cmd::FldInst: case Cmd::FldRslt:
    case Cmd::Pict: case Cmd::ShpPict: case Cmd::ShpInst: case Cmd::Sp: case Cmd::Sn: case Cmd::Sv: case Cmd::ShpRslt:
        return {K::Destination, C::Object, true};
    case Cmd::NestTableProps:
        return {K::Destination, C::Table, true};
    // Destinations that no writer marks with \*: "{\*\header" is unknown.
    case Cmd::Header: case Cmd::Info: case Cmd::InfoText: case Cmd::InfoTime: case Cmd::StyleSheet:
        return {K::Destination};
    case Cmd::Shp:
        return {K::Destination, C::Object};
    case Cmd::Par: case Cmd::Sect: case Cmd::Page: case Cmd::Line: case Cmd::Tab: case Cmd::Cell: case Cmd::Row:
    case Cmd::Char: case Cmd::Unicode: case Cmd::Bin: case Cmd::NestCell: case Cmd::NestRow: case Cmd::Chftn:
    case Cmd::Chatn:
        return {K::Symbol};
    // the document, its font and colour tables, notes, pages and sections
    case Cmd::Ansi: case Cmd::Mac: case Cmd::Pc: case Cmd::Pca: case Cmd::FontClass: case Cmd::FtnAlt:
    case Cmd::FtnNumbering: case Cmd::AftnNumbering: case Cmd::SectionDefault:
        return {K::Flag};
    case Cmd::AnsiCpg: case Cmd::Deff: case Cmd::FCharset: case Cmd::Cpg: case Cmd::Red: case Cmd::Green:
    case Cmd::Blue: case Cmd::FtnStart: case Cmd::AftnStart: case Cmd::PageWord: case Cmd::SectionWord:
    case Cmd::DefTab: case Cmd::DefLang: case Cmd::InfoTimeWord: case Cmd::Uc:
        return {K::Value};
    // styles: a style sheet's entries, and the style of a paragraph or a run
    case Cmd::ParStyle: case Cmd::BasedOn: case Cmd::NextStyle:
        return {K::Value, C::Style};
    case Cmd::CharStyle: // {\*\cs10 ...} in the style sheet
        return {K::Value, C::Style, true};
    // characters
    case Cmd::Plain: case Cmd::UlNone: case Cmd::NoSuperSub:
        return {K::Flag, C::Character};
    case Cmd::Bold: case Cmd::Italic: case Cmd::Strike: case Cmd::StrikeD: case Cmd::Underline:
    case Cmd::UnderlineStyle: case Cmd::Hidden: case Cmd::Caps: case Cmd::SmallCaps: case Cmd::Sub: case Cmd::Super:
    case Cmd::NoProof:
        return {K::Toggle, C::Character};
    case Cmd::Font: case Cmd::FontSize: case Cmd::Cf: case Cmd::Cb: case Cmd::Highlight: case Cmd::Up: case Cmd::Dn:
    case Cmd::Lang:
        return {K::Value, C::Character};
    // paragraphs
    case Cmd::Pard: case Cmd::Ql: case Cmd::Qc: case Cmd::Qr: case Cmd::Qj: case Cmd::TabKind: case Cmd::BorderBottom:
        return {K::Flag, C::Paragraph};
    case Cmd::SlMult: case Cmd::PageBefore:
        return {K::Toggle, C::Paragraph};
    case Cmd::Li: case Cmd::Ri: case Cmd::Fi: case Cmd::Sb: case Cmd::Sa: case Cmd::Sl: case Cmd::Tx: case Cmd::Ls:
    case Cmd::Ilvl: case Cmd::OutlineLevel:
        return {K::Value, C::Paragraph};
    // tables
    case Cmd::RowDefaults: case Cmd::InTable: case Cmd::TrAlign: case Cmd::CellMerge: case Cmd::CellVMerge:
    case Cmd::CellVAlign: case Cmd::CellBorder: case Cmd::BorderStyle: case Cmd::RowBorder:
        return {K::Flag, C::Table};
    case Cmd::TrHeader:
        return {K::Toggle, C::Table};
    case Cmd::CellX: case Cmd::TrGaph: case Cmd::TrLeft: case Cmd::Itap: case Cmd::CellShading: case Cmd::BorderWidth:
    case Cmd::BorderColor: case Cmd::RowPadding: case Cmd::CellPadding:
        return {K::Value, C::Table};
    }
    return {K::Flag};
}

constexpr CmdInfo::Handler handlerOf(Spec spec)
{
    using H = CmdInfo::Handler;
    if (spec.kind == Kind::Destination)
        return spec.concern == Concern::Object ? H::ObjectDestination
            : spec.concern == Concern::Table   ? H::TableDestination
                                               : H::DocumentDestination;
    if (spec.kind == Kind::Symbol)
        return H::Symbol;
    switch (spec.concern) {
    case Concern::Character: return H::Character;
    case Concern::Paragraph: return H::Paragraph;
    case Concern::Table: return H::Table;
    case Concern::Style: return H::Style;
    case Concern::Document:
    case Concern::Object: break;
    }
    return H::Document;
}

} // namespace

const std::unordered_map<std::string_view, CmdInfo> &commands()
{
    static const std::unordered_map<std::string_view, CmdInfo> map = [] {
        std::unordered_map<std::string_view, CmdInfo> m;
        m.emplace("fonttbl", CmdInfo{Cmd::FontTable});
        m.emplace("colortbl", CmdInfo{Cmd::ColorTable});
        // Destinations whose text is no part of the visible body text.
        for (const char *d : {"stylesheet", "info", "header", "headerl", "headerr", "headerf",
                              "footer", "footerl", "footerr", "footerf", "footnote", "annotation",
                              "atnid", "atnauthor", "atndate", "atnicn", "atnref", "atntime",
                              "atrfstart", "atrfend", "xe", "tc", "txe", "rxe",
                              "pntxta", "pntxtb", "revtbl",
                              "rsidtbl", "filetbl", "generator", "themedata", "colorschememapping",
                              "latentstyles", "datastore", "xmlnstbl", "mmathPr",
                              "shptxt", "nonshppict", "objdata", "objclass", "objname",
                              "template", "bkmkstart", "bkmkend", "keywords", "comment", "doccomm",
                              "title", "subject", "author", "operator", "company", "manager",
                              "category", "hlinkbase", "creatim", "revtim", "printim", "buptim",
                              "fchars", "lchars", "pgdsctbl", "userprops", "docvar",
                              "wgrffmtfilter", "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc",
                              "aftncn", "background", "fldtype", "formfield", "datafield", "falt",
                              "panose", "nonesttables", "pnseclvl", "do", "blipuid", "picprop", "listpicture", "protusertbl",
                              "passwordhash", "mhtmltag", "htmltag", "fontemb", "fontfile"}) {
            m.emplace(d, CmdInfo{Cmd::SkipDest});
        }
        m.emplace("fldinst", CmdInfo{Cmd::FldInst});
        m.emplace("fldrslt", CmdInfo{Cmd::FldRslt});
        m.emplace("pagebb", CmdInfo{Cmd::PageBefore});
        m.emplace("pict", CmdInfo{Cmd::Pict});
        m.emplace("shppict", CmdInfo{Cmd::ShpPict});
        m.emplace("shpinst", CmdInfo{Cmd::ShpInst});
        m.emplace("sp", CmdInfo{Cmd::Sp});
        m.emplace("sn", CmdInfo{Cmd::Sn});
        m.emplace("sv", CmdInfo{Cmd::Sv});
        m.emplace("shprslt", CmdInfo{Cmd::ShpRslt});
        m.emplace("shp", CmdInfo{Cmd::Shp});
        m.emplace("upr", CmdInfo{Cmd::Upr});
        m.emplace("ud", CmdInfo{Cmd::Ud});
        m.emplace("object", CmdInfo{Cmd::Object});
        m.emplace("result", CmdInfo{Cmd::Result});
        m.emplace("fname", CmdInfo{Cmd::FontAltName});
        m.emplace("ansi", CmdInfo{Cmd::Ansi});
        m.emplace("mac", CmdInfo{Cmd::Mac});
        m.emplace("pc", CmdInfo{Cmd::Pc});
        m.emplace("pca", CmdInfo{Cmd::Pca});
        m.emplace("ansicpg", CmdInfo{Cmd::AnsiCpg});
        m.emplace("deff", CmdInfo{Cmd::Deff});
        m.emplace("f", CmdInfo{Cmd::Font});
        m.emplace("fcharset", CmdInfo{Cmd::FCharset});
        m.emplace("cpg", CmdInfo{Cmd::Cpg});
        m.emplace("fnil", CmdInfo{Cmd::FontClass, QFont::AnyStyle});
        m.emplace("froman", CmdInfo{Cmd::FontClass, QFont::Serif});
        m.emplace("fswiss", CmdInfo{Cmd::FontClass, QFont::SansSerif});
        m.emplace("fmodern", CmdInfo{Cmd::FontClass, QFont::TypeWriter});
        m.emplace("fscript", CmdInfo{Cmd::FontClass, QFont::Cursive});
        m.emplace("fdecor", CmdInfo{Cmd::FontClass, QFont::Decorative});
        m.emplace("ftech", CmdInfo{Cmd::FontClass, QFont::AnyStyle});
        m.emplace("fbidi", CmdInfo{Cmd::FontClass, QFont::AnyStyle});
        m.emplace("red", CmdInfo{Cmd::Red});
        m.emplace("green", CmdInfo{Cmd::Green});
        m.emplace("blue", CmdInfo{Cmd::Blue});
        m.emplace("plain", CmdInfo{Cmd::Plain});
        m.emplace("fs", CmdInfo{Cmd::FontSize});
        m.emplace("b", CmdInfo{Cmd::Bold});
        m.emplace("i", CmdInfo{Cmd::Italic});
        m.emplace("strike", CmdInfo{Cmd::Strike});
        m.emplace("striked", CmdInfo{Cmd::StrikeD});
        m.emplace("ul", CmdInfo{Cmd::Underline, QTextCharFormat::SingleUnderline});
        m.emplace("ulnone", CmdInfo{Cmd::UlNone});
        m.emplace("v", CmdInfo{Cmd::Hidden});
        m.emplace("deleted", CmdInfo{Cmd::Hidden});
        m.emplace("caps", CmdInfo{Cmd::Caps});
        m.emplace("scaps", CmdInfo{Cmd::SmallCaps});
        // Underline variants Qt cannot draw show as a single line.
        for (const char *u : {"uldb", "ulw", "ulth", "ulhair"})
            m.emplace(u, CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::SingleUnderline});
        m.emplace("uld", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DotLine});
        m.emplace("ulthd", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DotLine});
        m.emplace("uldash", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashUnderline});
        m.emplace("ulthdash", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashUnderline});
        m.emplace("ulldash", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashUnderline});
        m.emplace("ulthldash", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashUnderline});
        m.emplace("uldashd", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashDotLine});
        m.emplace("ulthdashd", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashDotLine});
        m.emplace("uldashdd", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashDotDotLine});
        m.emplace("ulthdashdd", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::DashDotDotLine});
        m.emplace("ulwave", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::WaveUnderline});
        m.emplace("ulhwave", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::WaveUnderline});
        m.emplace("ululdbwave", CmdInfo{Cmd::UnderlineStyle, QTextCharFormat::WaveUnderline});
        m.emplace("cf", CmdInfo{Cmd::Cf});
        m.emplace("cb", CmdInfo{Cmd::Cb});
        m.emplace("chcbpat", CmdInfo{Cmd::Cb});
        m.emplace("highlight", CmdInfo{Cmd::Highlight});
        m.emplace("sub", CmdInfo{Cmd::Sub});
        m.emplace("super", CmdInfo{Cmd::Super});
        m.emplace("nosupersub", CmdInfo{Cmd::NoSuperSub});
        m.emplace("up", CmdInfo{Cmd::Up});
        m.emplace("dn", CmdInfo{Cmd::Dn});
        m.emplace("pard", CmdInfo{Cmd::Pard});
        m.emplace("ql", CmdInfo{Cmd::Ql});
        m.emplace("qc", CmdInfo{Cmd::Qc});
        m.emplace("qr", CmdInfo{Cmd::Qr});
        m.emplace("qj", CmdInfo{Cmd::Qj});
        m.emplace("qd", CmdInfo{Cmd::Qj});
        m.emplace("li", CmdInfo{Cmd::Li});
        m.emplace("lin", CmdInfo{Cmd::Li});
        m.emplace("ri", CmdInfo{Cmd::Ri});
        m.emplace("rin", CmdInfo{Cmd::Ri});
        m.emplace("fi", CmdInfo{Cmd::Fi});
        m.emplace("sb", CmdInfo{Cmd::Sb});
        m.emplace("sa", CmdInfo{Cmd::Sa});
        m.emplace("sl", CmdInfo{Cmd::Sl});
        m.emplace("slmult", CmdInfo{Cmd::SlMult});
        m.emplace("tx", CmdInfo{Cmd::Tx});
        m.emplace("tqr", CmdInfo{Cmd::TabKind, QTextOption::RightTab});
        m.emplace("tqc", CmdInfo{Cmd::TabKind, QTextOption::CenterTab});
        m.emplace("tqdec", CmdInfo{Cmd::TabKind, QTextOption::DelimiterTab});
        m.emplace("par", CmdInfo{Cmd::Par});
        m.emplace("sect", CmdInfo{Cmd::Sect});
        m.emplace("page", CmdInfo{Cmd::Page});
        m.emplace("line", CmdInfo{Cmd::Line});
        m.emplace("tab", CmdInfo{Cmd::Tab});
        m.emplace("cell", CmdInfo{Cmd::Cell});
        m.emplace("row", CmdInfo{Cmd::Row});
        m.emplace("emdash", CmdInfo{Cmd::Char, 0x2014});
        m.emplace("endash", CmdInfo{Cmd::Char, 0x2013});
        m.emplace("emspace", CmdInfo{Cmd::Char, 0x2003});
        m.emplace("enspace", CmdInfo{Cmd::Char, 0x2002});
        m.emplace("qmspace", CmdInfo{Cmd::Char, 0x2005});
        m.emplace("bullet", CmdInfo{Cmd::Char, 0x2022});
        m.emplace("lquote", CmdInfo{Cmd::Char, 0x2018});
        m.emplace("rquote", CmdInfo{Cmd::Char, 0x2019});
        m.emplace("ldblquote", CmdInfo{Cmd::Char, 0x201C});
        m.emplace("rdblquote", CmdInfo{Cmd::Char, 0x201D});
        m.emplace("zwj", CmdInfo{Cmd::Char, 0x200D});
        m.emplace("zwnj", CmdInfo{Cmd::Char, 0x200C});
        m.emplace("zwbo", CmdInfo{Cmd::Char, 0x200B});
        m.emplace("u", CmdInfo{Cmd::Unicode});
        m.emplace("uc", CmdInfo{Cmd::Uc});
        m.emplace("bin", CmdInfo{Cmd::Bin});
        // tables
        m.emplace("trowd", CmdInfo{Cmd::RowDefaults});
        m.emplace("cellx", CmdInfo{Cmd::CellX});
        m.emplace("trgaph", CmdInfo{Cmd::TrGaph});
        m.emplace("trleft", CmdInfo{Cmd::TrLeft});
        m.emplace("trql", CmdInfo{Cmd::TrAlign, Qt::AlignLeft});
        m.emplace("trqc", CmdInfo{Cmd::TrAlign, Qt::AlignHCenter});
        m.emplace("trqr", CmdInfo{Cmd::TrAlign, Qt::AlignRight});
        m.emplace("trhdr", CmdInfo{Cmd::TrHeader});
        m.emplace("intbl", CmdInfo{Cmd::InTable});
        m.emplace("itap", CmdInfo{Cmd::Itap});
        m.emplace("nestcell", CmdInfo{Cmd::NestCell});
        m.emplace("nestrow", CmdInfo{Cmd::NestRow});
        m.emplace("nesttableprops", CmdInfo{Cmd::NestTableProps});
        m.emplace("clmgf", CmdInfo{Cmd::CellMerge, 1});
        m.emplace("clmrg", CmdInfo{Cmd::CellMerge, 2});
        m.emplace("clvmgf", CmdInfo{Cmd::CellVMerge, 1});
        m.emplace("clvmrg", CmdInfo{Cmd::CellVMerge, 2});
        m.emplace("clvertalt", CmdInfo{Cmd::CellVAlign, 0});
        m.emplace("clvertalc", CmdInfo{Cmd::CellVAlign, 1});
        m.emplace("clvertalb", CmdInfo{Cmd::CellVAlign, 2});
        m.emplace("clcbpat", CmdInfo{Cmd::CellShading});
        m.emplace("clbrdrt", CmdInfo{Cmd::CellBorder, 0});
        m.emplace("clbrdrl", CmdInfo{Cmd::CellBorder, 1});
        m.emplace("clbrdrb", CmdInfo{Cmd::CellBorder, 2});
        m.emplace("clbrdrr", CmdInfo{Cmd::CellBorder, 3});
        // Border words describe the cell border named last (paragraph
        // borders are not read as such).
        m.emplace("brdrw", CmdInfo{Cmd::BorderWidth});
        m.emplace("brdrcf", CmdInfo{Cmd::BorderColor});
        for (const char *b : {"brdrs", "brdrth", "brdrsh", "brdrhair", "brdrthtnsg", "brdrtnthsg", "brdrwavy"})
            m.emplace(b, CmdInfo{Cmd::BorderStyle, QTextFrameFormat::BorderStyle_Solid});
        m.emplace("brdrdb", CmdInfo{Cmd::BorderStyle, QTextFrameFormat::BorderStyle_Double});
        m.emplace("brdrdot", CmdInfo{Cmd::BorderStyle, QTextFrameFormat::BorderStyle_Dotted});
        m.emplace("brdrdash", CmdInfo{Cmd::BorderStyle, QTextFrameFormat::BorderStyle_Dashed});
        m.emplace("brdrdashsm", CmdInfo{Cmd::BorderStyle, QTextFrameFormat::BorderStyle_Dashed});
        m.emplace("brdrdashd", CmdInfo{Cmd::BorderStyle, QTextFrameFormat::BorderStyle_DotDash});
        m.emplace("brdrdashdd", CmdInfo{Cmd::BorderStyle, QTextFrameFormat::BorderStyle_DotDotDash});
        m.emplace("brdrinset", CmdInfo{Cmd::BorderStyle, QTextFrameFormat::BorderStyle_Inset});
        m.emplace("brdroutset", CmdInfo{Cmd::BorderStyle, QTextFrameFormat::BorderStyle_Outset});
        m.emplace("brdrengrave", CmdInfo{Cmd::BorderStyle, QTextFrameFormat::BorderStyle_Groove});
        m.emplace("brdremboss", CmdInfo{Cmd::BorderStyle, QTextFrameFormat::BorderStyle_Ridge});
        m.emplace("brdrnone", CmdInfo{Cmd::BorderStyle, QTextFrameFormat::BorderStyle_None});
        m.emplace("brdrnil", CmdInfo{Cmd::BorderStyle, QTextFrameFormat::BorderStyle_None});
        // lists, headings and rules
        m.emplace("listtable", CmdInfo{Cmd::ListTable});
        m.emplace("listoverridetable", CmdInfo{Cmd::ListOverrideTable});
        m.emplace("pn", CmdInfo{Cmd::Pn});
        m.emplace("listtext", CmdInfo{Cmd::ListText});
        m.emplace("pntext", CmdInfo{Cmd::ListText});
        m.emplace("ls", CmdInfo{Cmd::Ls});
        m.emplace("ilvl", CmdInfo{Cmd::Ilvl});
        m.emplace("outlinelevel", CmdInfo{Cmd::OutlineLevel});
        m.emplace("brdrb", CmdInfo{Cmd::BorderBottom});
        // notes
        m.insert_or_assign("footnote", CmdInfo{Cmd::Footnote});
        m.emplace("chftn", CmdInfo{Cmd::Chftn});
        m.emplace("ftnalt", CmdInfo{Cmd::FtnAlt});
        m.emplace("ftnstart", CmdInfo{Cmd::FtnStart});
        m.emplace("aftnstart", CmdInfo{Cmd::AftnStart});
        m.emplace("ftnnar", CmdInfo{Cmd::FtnNumbering, int(NoteNumbering::Arabic)});
        m.emplace("aftnnar", CmdInfo{Cmd::AftnNumbering, int(NoteNumbering::Arabic)});
        m.emplace("ftnnalc", CmdInfo{Cmd::FtnNumbering, int(NoteNumbering::LowerLetter)});
        m.emplace("aftnnalc", CmdInfo{Cmd::AftnNumbering, int(NoteNumbering::LowerLetter)});
        m.emplace("ftnnauc", CmdInfo{Cmd::FtnNumbering, int(NoteNumbering::UpperLetter)});
        m.emplace("aftnnauc", CmdInfo{Cmd::AftnNumbering, int(NoteNumbering::UpperLetter)});
        m.emplace("ftnnrlc", CmdInfo{Cmd::FtnNumbering, int(NoteNumbering::LowerRoman)});
        m.emplace("aftnnrlc", CmdInfo{Cmd::AftnNumbering, int(NoteNumbering::LowerRoman)});
        m.emplace("ftnnruc", CmdInfo{Cmd::FtnNumbering, int(NoteNumbering::UpperRoman)});
        m.emplace("aftnnruc", CmdInfo{Cmd::AftnNumbering, int(NoteNumbering::UpperRoman)});
        m.emplace("ftnnchi", CmdInfo{Cmd::FtnNumbering, int(NoteNumbering::Chicago)});
        m.emplace("aftnnchi", CmdInfo{Cmd::AftnNumbering, int(NoteNumbering::Chicago)});
        // document properties
        for (const char *h : {"header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf"})
            m.insert_or_assign(h, CmdInfo{Cmd::Header});
        for (const char *w : {"paperw", "paperh", "margl", "margr", "margt", "margb", "gutter", "landscape",
                              "facingp", "margmirror", "gutterprl", "rtlgutter", "pgnstart"})
            m.emplace(w, CmdInfo{Cmd::PageWord});
        for (const char *w : {"sbknone", "sbkcol", "sbkpage", "sbkeven", "sbkodd", "cols", "colsx", "linebetcol",
                              "pgwsxn", "pghsxn", "marglsxn", "margrsxn", "margtsxn", "margbsxn", "guttersxn",
                              "lndscpsxn", "titlepg", "headery", "footery", "pgnrestart", "pgncont", "pgnstarts",
                              "pgndec", "pgnucrm", "pgnlcrm", "pgnucltr", "pgnlcltr", "vertalt", "vertalc",
                              "vertalj", "vertalb", "endnhere", "linemod", "linex", "linestarts", "lineppage",
                              "linerestart", "linecont"})
            m.emplace(w, CmdInfo{Cmd::SectionWord});
        m.emplace("sectd", CmdInfo{Cmd::SectionDefault});
        m.emplace("deftab", CmdInfo{Cmd::DefTab});
        m.emplace("deflang", CmdInfo{Cmd::DefLang});
        m.insert_or_assign("info", CmdInfo{Cmd::Info});
        {
            int i = 0;
            for (const char *t : {"title", "subject", "author", "manager", "company", "operator", "category",
                                  "keywords", "comment", "doccomm", "hlinkbase"})
                m.insert_or_assign(t, CmdInfo{Cmd::InfoText, i++});
            // Not in \\info, but read as its text is: who wrote the file.
            m.insert_or_assign("generator", CmdInfo{Cmd::Generator, kGeneratorInfo});
            i = 0;
            for (const char *t : {"creatim", "revtim", "printim", "buptim"})
                m.insert_or_assign(t, CmdInfo{Cmd::InfoTime, i++});
            for (const char *t : {"yr", "mo", "dy", "hr", "min", "sec"})
                m.emplace(t, CmdInfo{Cmd::InfoTimeWord});
        }
        // styles
        m.insert_or_assign("stylesheet", CmdInfo{Cmd::StyleSheet});
        m.emplace("s", CmdInfo{Cmd::ParStyle});
        m.emplace("cs", CmdInfo{Cmd::CharStyle});
        m.emplace("sbasedon", CmdInfo{Cmd::BasedOn});
        m.emplace("snext", CmdInfo{Cmd::NextStyle});
        // opaque pieces
        m.insert_or_assign("bkmkstart", CmdInfo{Cmd::Bookmark, 0});
        m.insert_or_assign("bkmkend", CmdInfo{Cmd::Bookmark, 1});
        // language: \langnp is the language of text in a non-Asian font,
        // which is all text here; \langfe (Asian text) is not kept
        m.emplace("lang", CmdInfo{Cmd::Lang});
        m.emplace("langnp", CmdInfo{Cmd::Lang});
        m.emplace("noproof", CmdInfo{Cmd::NoProof});
        for (const char *d : {"atnid", "atnauthor", "annotation"})
            m.insert_or_assign(d, CmdInfo{Cmd::OpaqueGroup, 1}); // parts of a comment
        for (const char *d : {"atrfstart", "atrfend", "do"})
            m.insert_or_assign(d, CmdInfo{Cmd::OpaqueGroup, 0});
        m.emplace("chatn", CmdInfo{Cmd::Chatn});
        m.insert_or_assign("deleted", CmdInfo{Cmd::Hidden, 1});
        // tables: row borders and padding. Word writes \clpadl for the top
        // and \clpadt for the left padding, and other readers follow it.
        m.emplace("trbrdrt", CmdInfo{Cmd::RowBorder, 0});
        m.emplace("trbrdrl", CmdInfo{Cmd::RowBorder, 1});
        m.emplace("trbrdrb", CmdInfo{Cmd::RowBorder, 2});
        m.emplace("trbrdrr", CmdInfo{Cmd::RowBorder, 3});
        m.emplace("trbrdrh", CmdInfo{Cmd::RowBorder, 4});
        m.emplace("trbrdrv", CmdInfo{Cmd::RowBorder, 5});
        m.emplace("trpaddt", CmdInfo{Cmd::RowPadding, 0});
        m.emplace("trpaddl", CmdInfo{Cmd::RowPadding, 1});
        m.emplace("trpaddb", CmdInfo{Cmd::RowPadding, 2});
        m.emplace("trpaddr", CmdInfo{Cmd::RowPadding, 3});
        m.emplace("clpadl", CmdInfo{Cmd::CellPadding, 0});
        m.emplace("clpadt", CmdInfo{Cmd::CellPadding, 1});
        m.emplace("clpadb", CmdInfo{Cmd::CellPadding, 2});
        m.emplace("clpadr", CmdInfo{Cmd::CellPadding, 3});
        for (auto &[name, info] : m) {
            const Spec spec = specOf(info.cmd);
            info.kind = spec.kind;
            info.concern = spec.concern;
            info.afterStar = spec.afterStar;
            info.handler = handlerOf(spec);
        }
        return m;
    }();
    return map;
}

} // namespace rtf::detail
