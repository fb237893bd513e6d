// The languages the model keeps as Windows language ids, as the BCP 47
// tags Word and OpenDocument documents name them by: the languages of Europe and the
// largest others. An id without a tag here is not written (the text then
// takes the document's language).

#include "languagetags.h"

#include <iterator>
#include <utility>

namespace model {

namespace {

// The first entry of each language is its main one.
const std::pair<int, const char *> tags[] = {
        {1025, "ar-SA"}, {1026, "bg-BG"}, {1027, "ca-ES"}, {1028, "zh-TW"}, {1029, "cs-CZ"}, {1030, "da-DK"},
        {1031, "de-DE"}, {1032, "el-GR"}, {1033, "en-US"}, {1034, "es-ES"}, {1035, "fi-FI"}, {1036, "fr-FR"},
        {1037, "he-IL"}, {1038, "hu-HU"}, {1039, "is-IS"}, {1040, "it-IT"}, {1041, "ja-JP"}, {1042, "ko-KR"},
        {1043, "nl-NL"}, {1044, "nb-NO"}, {1045, "pl-PL"}, {1046, "pt-BR"}, {1048, "ro-RO"}, {1049, "ru-RU"},
        {1050, "hr-HR"}, {1051, "sk-SK"}, {1052, "sq-AL"}, {1053, "sv-SE"}, {1054, "th-TH"}, {1055, "tr-TR"},
        {1057, "id-ID"}, {1058, "uk-UA"}, {1059, "be-BY"}, {1060, "sl-SI"}, {1061, "et-EE"}, {1062, "lv-LV"},
        {1063, "lt-LT"}, {1066, "vi-VN"}, {1069, "eu-ES"}, {1071, "mk-MK"}, {1081, "hi-IN"}, {1086, "ms-MY"},
        {1106, "cy-GB"}, {1110, "gl-ES"}, {2052, "zh-CN"}, {2055, "de-CH"}, {2057, "en-GB"}, {2058, "es-MX"},
        {2060, "fr-BE"}, {2064, "it-CH"}, {2067, "nl-BE"}, {2068, "nn-NO"}, {2070, "pt-PT"}, {2074, "sr-Latn-CS"},
        {3079, "de-AT"}, {3081, "en-AU"}, {3082, "es-ES"}, {3084, "fr-CA"}, {3098, "sr-Cyrl-CS"}, {4105, "en-CA"},
        {4108, "fr-CH"}, {5129, "en-NZ"}, {6153, "en-IE"}, {7177, "en-ZA"}, {1142, "la"}, {9242, "sr-Latn-RS"}, {0x8F, "eo"},
};

} // namespace

QString languageTag(int lcid)
{
    for (const auto &[id, tag] : tags) {
        if (id == lcid)
            return QLatin1StringView(tag);
    }
    return {};
}

int languageId(QStringView tag)
{
    tag = tag.trimmed();
    if (tag.isEmpty() || tag.size() > 35)
        return 0;
    for (const auto &[id, name] : tags) {
        if (tag.compare(QLatin1StringView(name), Qt::CaseInsensitive) == 0)
            return id;
    }
    // The language alone: its main id.
    const QStringView language = tag.left(tag.indexOf(u'-') < 0 ? tag.size() : tag.indexOf(u'-'));
    for (const auto &[id, name] : tags) {
        const QLatin1StringView n(name);
        if (n.size() > language.size() && n[language.size()] == u'-'
            && QStringView(QString(n.left(language.size()))).compare(language, Qt::CaseInsensitive) == 0)
            return id;
    }
    return 0;
}

} // namespace model
