#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The files that make Ladlewise a desktop program: checked by the desktop's own
// validators and installed where a desktop looks for them.
class tst_Packaging : public QObject
{
    Q_OBJECT

private slots:
    void validatorsAcceptTheFiles_data();
    void validatorsAcceptTheFiles();
    void oneApplicationIdThroughout();
    void installPutsEveryFileInPlace();

private:
    static QString packagingFile(const QString &suffix)
    {
        return QStringLiteral(PACKAGING_DIR "/" APP_ID) + suffix;
    }
    static QString run(const QString &program, const QStringList &arguments, int *exitCode);
};

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

void tst_Packaging::installPutsEveryFileInPlace()
{
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    int exitCode = 0;
    const QString output = run("cmake", {"--install", BUILD_DIR, "--prefix", prefix.path()}, &exitCode);
    QVERIFY2(exitCode == 0, qPrintable(output));

    const QStringList installed = {
        "bin/ladlewise",
        "share/applications/" APP_ID ".desktop",
        "share/icons/hicolor/scalable/apps/" APP_ID ".svg",
        "share/metainfo/" APP_ID ".metainfo.xml",
    };
    for (const QString &file : installed)
        QVERIFY2(QFile::exists(prefix.filePath(file)), qPrintable(file + " was not installed"));
}

QTEST_GUILESS_MAIN(tst_Packaging)
#include "tst_packaging.moc"
