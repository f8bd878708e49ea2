#include "widgets/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "base/debug.h"

namespace keyloom {

namespace {

// One translator for the whole program, replaced when the language changes.
QTranslator* g_translator = nullptr;

}  // namespace

QString QtLocaleForLanguageDir(const QString& dir) {
    static const struct {
        const char* dir;
        const char* locale;
    } kLocales[] = {
        {"en", "en"},       {"sc", "zh_CN"},     {"tw", "zh_TW"},     {"Japanese", "ja"}, {"Korean", "ko"},
        {"German", "de"},   {"French", "fr"},    {"Italian", "it"},   {"Russian", "ru"},
    };
    for (const auto& entry : kLocales) {
        if (dir == QLatin1String(entry.dir)) return QString::fromLatin1(entry.locale);
    }
    return {};
}

bool UseQtTranslations(const QString& languageDir) {
    if (g_translator) {
        QCoreApplication::removeTranslator(g_translator);
        delete g_translator;
        g_translator = nullptr;
    }
    const QString locale = QtLocaleForLanguageDir(languageDir);
    if (locale.isEmpty() || locale == QLatin1String("en")) return false;
    auto* translator = new QTranslator;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // "qt_<locale>" gathers the catalogues of every Qt module; "qtbase_" is the one the window needs.
    if (!translator->load(QStringLiteral("qt_") + locale, folder) &&
        !translator->load(QStringLiteral("qtbase_") + locale, folder)) {
        LOG("No Qt translation for %s in %s", locale.toUtf8().constData(), folder.toUtf8().constData());
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    g_translator = translator;
    return true;
}

}  // namespace keyloom
