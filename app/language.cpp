#include "language.h"

#include <QCoreApplication>
#include <QTranslator>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace language {

namespace {

struct LocaleId {
    QLocale::Language language;
    QLocale::Country country;
    quint32 lcid;
};

// Windows locale identifiers of the locales a bench is likely to run under.
// The first entry of a language is its primary locale, used for territories
// that are not listed.
const LocaleId kLocaleIds[] = {
    {QLocale::Chinese, QLocale::China, 2052},
    {QLocale::Chinese, QLocale::Taiwan, 1028},
    {QLocale::Chinese, QLocale::HongKong, 3076},
    {QLocale::Chinese, QLocale::Singapore, 4100},
    {QLocale::Chinese, QLocale::Macau, 5124},
    {QLocale::Japanese, QLocale::Japan, 1041},
    {QLocale::English, QLocale::UnitedStates, 1033},
    {QLocale::English, QLocale::UnitedKingdom, 2057},
    {QLocale::English, QLocale::Australia, 3081},
    {QLocale::English, QLocale::Canada, 4105},
    {QLocale::English, QLocale::Ireland, 6153},
    {QLocale::English, QLocale::India, 16393},
    {QLocale::German, QLocale::Germany, 1031},
    {QLocale::German, QLocale::Switzerland, 2055},
    {QLocale::German, QLocale::Austria, 3079},
    {QLocale::French, QLocale::France, 1036},
    {QLocale::French, QLocale::Belgium, 2060},
    {QLocale::French, QLocale::Canada, 3084},
    {QLocale::French, QLocale::Switzerland, 4108},
    {QLocale::Spanish, QLocale::Spain, 3082},
    {QLocale::Spanish, QLocale::Mexico, 2058},
    {QLocale::Italian, QLocale::Italy, 1040},
    {QLocale::Dutch, QLocale::Netherlands, 1043},
    {QLocale::Dutch, QLocale::Belgium, 2067},
    {QLocale::Portuguese, QLocale::Portugal, 2070},
    {QLocale::Portuguese, QLocale::Brazil, 1046},
    {QLocale::Danish, QLocale::Denmark, 1030},
    {QLocale::Swedish, QLocale::Sweden, 1053},
    {QLocale::NorwegianBokmal, QLocale::Norway, 1044},
    {QLocale::Finnish, QLocale::Finland, 1035},
    {QLocale::Polish, QLocale::Poland, 1045},
    {QLocale::Czech, QLocale::CzechRepublic, 1029},
    {QLocale::Slovak, QLocale::Slovakia, 1051},
    {QLocale::Hungarian, QLocale::Hungary, 1038},
    {QLocale::Romanian, QLocale::Romania, 1048},
    {QLocale::Bulgarian, QLocale::Bulgaria, 1026},
    {QLocale::Greek, QLocale::Greece, 1032},
    {QLocale::Turkish, QLocale::Turkey, 1055},
    {QLocale::Russian, QLocale::RussianFederation, 1049},
    {QLocale::Ukrainian, QLocale::Ukraine, 1058},
    {QLocale::Croatian, QLocale::Croatia, 1050},
    {QLocale::Slovenian, QLocale::Slovenia, 1060},
    {QLocale::Estonian, QLocale::Estonia, 1061},
    {QLocale::Latvian, QLocale::Latvia, 1062},
    {QLocale::Lithuanian, QLocale::Lithuania, 1063},
    {QLocale::Korean, QLocale::SouthKorea, 1042},
    {QLocale::Vietnamese, QLocale::Vietnam, 1066},
    {QLocale::Thai, QLocale::Thailand, 1054},
};

const char kEnglishBaseName[] = "QUORVALINE_en_US";
const char kChineseBaseName[] = "QUORVALINE_zh_CN";

} // namespace

QString translationBaseName(quint32 lcid)
{
    switch (lcid) {
    case 1028: // Chinese, Taiwan
    case 1041: // Japanese
    case 2052: // Chinese, PRC
    case 3076: // Chinese, Hong Kong SAR
        return QString::fromLatin1(kChineseBaseName);
    default:
        return QString::fromLatin1(kEnglishBaseName);
    }
}

quint32 lcidForLocale(QLocale::Language language, QLocale::Country country)
{
    const LocaleId *primary = nullptr;
    for (const LocaleId &id : kLocaleIds) {
        if (id.language != language)
            continue;
        if (id.country == country)
            return id.lcid;
        if (!primary)
            primary = &id;
    }
    return primary ? primary->lcid : 0;
}

quint32 systemDefaultLcid()
{
#ifdef Q_OS_WIN
    return GetSystemDefaultLCID();
#else
    const QLocale system = QLocale::system();
    return lcidForLocale(system.language(), system.country());
#endif
}

bool installTranslation(QCoreApplication &app, QTranslator &translator, quint32 lcid)
{
    const QString fileName = QStringLiteral(":/i18n/") + translationBaseName(lcid);
    if (!translator.load(fileName, QString(), QString(), QString()))
        return false;
    app.installTranslator(&translator);
    return true;
}

} // namespace language
