// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// The files that make Ladlewise a desktop program: checked by the desktop's own
// validators and installed where a desktop looks for them, by `cmake --install` and
// by the Debian package. The package is left extracted in DEBIAN_PACKAGE_DIR/root,
// where the real-display test starts the packaged program.
class tst_Packaging : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void validatorsAcceptTheFiles_data();
    void validatorsAcceptTheFiles();
    void oneApplicationIdThroughout();
    void oneFreeLicenceThroughout_data();
    void oneFreeLicenceThroughout();
    void installPutsEveryFileInPlace_data();
    void installPutsEveryFileInPlace();
    void debianPackageDependsOnWhatTheBinaryLinks();
    void lintianAcceptsTheDebianPackage();

private:
    static QString packagingFile(const QString &suffix)
    {
        return QStringLiteral(PACKAGING_DIR "/" APP_ID) + suffix;
    }
    static QString run(const QString &program, const QStringList &arguments, int *exitCode);

    QString debianPackage;
    QString extractedRoot;
};

void tst_Packaging::initTestCase()
{
#ifdef DEBIAN_PACKAGE_DIR
    QDir packageDir(DEBIAN_PACKAGE_DIR);
    QVERIFY(packageDir.removeRecursively() && QDir().mkpath(packageDir.path()));
    int exitCode = 0;
    QString output = run(CPACK_COMMAND, {"-G", "DEB", "--config", BUILD_DIR "/CPackConfig.cmake",
                                         "-B", packageDir.path()}, &exitCode);
    QVERIFY2(exitCode == 0, qPrintable(output));
    const QStringList built = packageDir.entryList({"ladlewise_*_*.deb"}, QDir::Files);
    QCOMPARE(built.size(), 1);
    debianPackage = packageDir.filePath(built.first());
    extractedRoot = packageDir.filePath("root");
    output = run("dpkg-deb", {"-x", debianPackage, extractedRoot}, &exitCode);
    QVERIFY2(exitCode == 0, qPrintable(output));
#endif
}

static const char notPackaged[] =
        "no Debian package is built here: dpkg-deb is missing, or the build is sanitized";

QString tst_Packaging::run(const QString &program, const QStringList &arguments, int *exitCode)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        *exitCode = -1;
    else
        *exitCode = process.exitCode();
    return program + ": " + QString::fromLocal8Bit(process.readAll()) + process.errorString();
}

void tst_Packaging::validatorsAcceptTheFiles_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("desktop entry") << "desktop-file-validate"
                                   << QStringList{packagingFile(".desktop")};
    QTest::newRow("metainfo") << "appstreamcli"
                              << QStringList{"validate", "--no-net", packagingFile(".metainfo.xml")};
}

void tst_Packaging::validatorsAcceptTheFiles()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);

    int exitCode = 0;
    const QString output = run(program, arguments, &exitCode);
    QVERIFY2(exitCode == 0, qPrintable(output));
}

void tst_Packaging::oneApplicationIdThroughout()
{
    QFile desktop(packagingFile(".desktop"));
    QVERIFY(desktop.open(QIODevice::ReadOnly | QIODevice::Text));
    QVERIFY2(desktop.readAll().split('\n').contains("Icon=" APP_ID), "the entry names another icon");

    QFile metainfo(packagingFile(".metainfo.xml"));
    QVERIFY(metainfo.open(QIODevice::ReadOnly | QIODevice::Text));
    const QByteArray xml = metainfo.readAll();
    QVERIFY(xml.contains("<id>" APP_ID "</id>"));
    QVERIFY(xml.contains("<launchable type=\"desktop-id\">" APP_ID ".desktop</launchable>"));
    QVERIFY(QFile::exists(packagingFile(".svg")));
}

// Software centres read the metainfo, Debian the copyright file, people the licence.
void tst_Packaging::oneFreeLicenceThroughout_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("statement");

    QTest::newRow("metainfo") << packagingFile(".metainfo.xml")
                              << QByteArray("<project_license>GPL-3.0-or-later</project_license>");
    QTest::newRow("copyright") << QStringLiteral(PACKAGING_DIR "/copyright")
                               << QByteArray("Files: *\nCopyright: 2026 The Ladlewise developers\nLicense: GPL-3.0+\n");
    QTest::newRow("licence") << QStringLiteral(PACKAGING_DIR "/../LICENSE")
                             << QByteArray("GNU GENERAL PUBLIC LICENSE\n                       Version 3");
    QTest::newRow("manual") << QStringLiteral(PACKAGING_DIR "/ladlewise.1")
                            << QByteArray("under the GNU General Public License, version 3 or any later");
}

void tst_Packaging::oneFreeLicenceThroughout()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, statement);

    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(path));
    const QByteArray text = file.readAll();
    QVERIFY2(text.contains(statement), qPrintable(path));
    QVERIFY(!text.contains("LicenseRef-") && !text.contains("may not be redistributed"));
}

void tst_Packaging::installPutsEveryFileInPlace_data()
{
    QTest::addColumn<bool>("debian");

    QTest::newRow("cmake --install") << false;
    QTest::newRow("debian package") << true;
}

void tst_Packaging::installPutsEveryFileInPlace()
{
    QFETCH(bool, debian);

    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    QString prefix = temporary.path();
    QStringList installed = {
        "bin/ladlewise",
        "share/applications/" APP_ID ".desktop",
        "share/icons/hicolor/scalable/apps/" APP_ID ".svg",
        "share/metainfo/" APP_ID ".metainfo.xml",
        "share/man/man1/ladlewise.1.gz",
        "share/doc/ladlewise/copyright",
        "share/doc/ladlewise/changelog.gz",
    };
    int exitCode = 0;
    if (debian) {
        if (debianPackage.isEmpty())
            QSKIP(notPackaged);
        prefix = extractedRoot + "/usr";
    } else {
        const QString output = run("cmake", {"--install", BUILD_DIR, "--prefix", prefix}, &exitCode);
        QVERIFY2(exitCode == 0, qPrintable(output));
    }
    for (const QString &file : installed)
        QVERIFY2(QFile::exists(prefix + '/' + file), qPrintable(file + " was not installed"));
}

void tst_Packaging::debianPackageDependsOnWhatTheBinaryLinks()
{
    if (debianPackage.isEmpty())
        QSKIP(notPackaged);
    int exitCode = 0;
    const QString depends = run("dpkg-deb", {"--field", debianPackage, "Depends"}, &exitCode);
    QVERIFY2(exitCode == 0, qPrintable(depends));
    // The Qt libraries the binary names itself, found where the loader finds them.
    const QString binary = extractedRoot + "/usr/bin/ladlewise";
    const QString needed = run("readelf", {"--dynamic", binary}, &exitCode);
    QVERIFY2(exitCode == 0, qPrintable(needed));
    const QString linked = run("ldd", {binary}, &exitCode);
    QVERIFY2(exitCode == 0, qPrintable(linked));
    static const QRegularExpression qtLibrary(QStringLiteral("(libQt\\S+) => (\\S+)"));
    QStringList packages = {"libc6"};
    for (auto match = qtLibrary.globalMatch(linked); match.hasNext();) {
        const QRegularExpressionMatch library = match.next();
        if (!needed.contains('[' + library.captured(1) + ']'))
            continue;
        const QString path = QFileInfo(library.captured(2)).canonicalFilePath();
        const QString owner = run("dpkg-query", {"--search", path}, &exitCode);
        QVERIFY2(exitCode == 0, qPrintable(owner));
        packages << owner.section(": ", 1, 1).section(':', 0, 0);
    }
    QVERIFY2(packages.size() >= 4, qPrintable(linked));
    for (const QString &package : packages)
        QVERIFY2(depends.contains(package + " ("), qPrintable(package + " is not in " + depends));
}

void tst_Packaging::lintianAcceptsTheDebianPackage()
{
    if (debianPackage.isEmpty())
        QSKIP(notPackaged);
    if (QStandardPaths::findExecutable("lintian").isEmpty())
        QSKIP("lintian is not installed");
    int exitCode = 0;
    const QString output = run("lintian", {"--fail-on", "error,warning", debianPackage}, &exitCode);
    QVERIFY2(exitCode == 0, qPrintable(output));
}

QTEST_GUILESS_MAIN(tst_Packaging)
#include "tst_packaging.moc"
