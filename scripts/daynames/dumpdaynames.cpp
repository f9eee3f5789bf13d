// SPDX-License-Identifier: GPL-3.0-or-later
// Prints, for every locale the Qt it is built with knows, the short day and month names
// it writes: "<name>|<script>\t<7 days>\t<12 months>", tab-separated, sorted.
#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QStringList lines;
#if QT_VERSION_MAJOR >= 6
    const auto everyTerritory = QLocale::AnyTerritory;
#else
    const auto everyTerritory = QLocale::AnyCountry;
#endif
    for (const QLocale &listed : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, everyTerritory)) {
        // Made anew from their parts: as listed, they name months in English.
#if QT_VERSION_MAJOR >= 6
        const QLocale locale(listed.language(), listed.script(), listed.territory());
#else
        const QLocale locale(listed.language(), listed.script(), listed.country());
#endif
        if (locale.language() == QLocale::C)
            continue;
        QStringList fields = {locale.name() + '|' + QLocale::scriptToString(locale.script())};
        for (int weekday = 1; weekday <= 7; ++weekday)
            fields << locale.dayName(weekday, QLocale::ShortFormat);
        for (int month = 1; month <= 12; ++month)
            fields << locale.monthName(month, QLocale::ShortFormat);
        lines << fields.join('\t');
    }
    std::sort(lines.begin(), lines.end());
    lines.removeDuplicates();
    std::fputs((lines.join('\n') + '\n').toUtf8().constData(), stdout);
    return 0;
}
