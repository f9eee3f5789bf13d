// SPDX-License-Identifier: GPL-3.0-or-later
// What a merge of a copy into its file comes to, given the versions the records tell:
// the cases that a guess from bytes, clocks or one machine's history got wrong.
#include "groceryitems.h"
#include "linemerge.h"
#include "mergebase.h"
#include "versiongraph.h"

#include <QCryptographicHash>
#include <QtTest>

class tst_VersionGraph : public QObject
{
    Q_OBJECT

private slots:
    void copyMergesAgainstWhatBothHad_data();
    void copyMergesAgainstWhatBothHad();
    void planGoesAgainstWhatTheGivenVersionsHad_data();
    void planGoesAgainstWhatTheGivenVersionsHad();
    void baseWithoutItsBytesIsToldOf_data();
    void baseWithoutItsBytesIsToldOf();
    void fileNeverGoesBackToWhatItHeld_data();
    void fileNeverGoesBackToWhatItHeld();
    void editsAreReadThroughWhereBytesAreGone_data();
    void editsAreReadThroughWhereBytesAreGone();
    void heldAsTheBasesIsWhatCameDownFromThem_data();
    void heldAsTheBasesIsWhatCameDownFromThem();
};

namespace {

QByteArray sha1(const QString &text)
{
    return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1);
}

// "+milk" is milk ticked.
QString itemsText(const QString &words)
{
    return words.split(' ', Qt::SkipEmptyParts).replaceInStrings(QRegularExpression("^\\+"), "x ").join('\n');
}

// "a:2=tea rice<a:1,b:1" is version a:2 of list.txt holding tea and rice, written
// over a:1 and b:1; "!r" after the id marks a read, "!m" a merge; "~b:1" after the
// parents, what a read's file held before it.
struct Versions
{
    QVector<Version> versions;
    QHash<QByteArray, QString> texts;

    explicit Versions(const QStringList &descriptions)
    {
        for (const QString &description : descriptions) {
            const QString head = description.section('=', 0, 0);
            const QString body = description.section('=', 1);
            Version version;
            version.id = head.section('!', 0, 0).toUtf8();
            version.kind = head.endsWith("!r") ? Version::Read : head.endsWith("!m") ? Version::Merged : Version::Written;
            version.file = "list.txt";
            const QString text = itemsText(body.section('<', 0, 0));
            version.hash = sha1(text);
            const QString links = body.section('<', 1);
            for (const QString &parent : links.section('~', 0, 0).split(',', Qt::SkipEmptyParts))
                version.parents << parent.toUtf8();
            for (const QString &earlier : links.section('~', 1).split(',', Qt::SkipEmptyParts))
                version.cameAfter << earlier.toUtf8();
            texts.insert(version.hash, text);
            versions << version;
        }
    }
};

} // namespace

void tst_VersionGraph::copyMergesAgainstWhatBothHad_data()
{
    QTest::addColumn<QStringList>("versions");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("copy");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("merged");

    const int merge = MergePlan::Merge;
    QTest::newRow("apart, both add") << QStringList {"a:1=eggs<", "a:2=eggs milk<a:1", "b:1=eggs tea<a:1"}
                                     << "eggs milk" << "eggs tea" << merge << "eggs tea milk";
    QTest::newRow("rice added again after both saw it deleted")
            << QStringList {"a:1=rice<", "a:2=<a:1", "b:1=rice<a:2", "a:3=tea<a:2"} << "tea" << "rice" << merge
            << "tea rice";
    QTest::newRow("a deletion made after seeing the item")
            << QStringList {"a:1=rice tea<", "b:1=rice tea<a:1", "b:2=tea<b:1", "a:2=rice tea milk<a:1"}
            << "rice tea milk" << "tea" << merge << "tea milk";
    QTest::newRow("added and deleted on one side, added on the other")
            << QStringList {"a:1=rice<", "a:2=<a:1", "a:3=salt<a:2", "a:4=<a:3", "b:1=rice salt<a:1"} << ""
            << "rice salt" << merge << "salt";
    QTest::newRow("the same item added on both sides") << QStringList {"a:1=eggs<", "a:2=eggs milk<a:1",
                                                                       "b:1=eggs milk<a:1"}
                                                       << "eggs milk" << "eggs milk"
                                                       << int(MergePlan::AlreadyMerged) << "";
    QTest::newRow("two machines that never met") << QStringList {"a:1=jam<", "b:1=milk<"} << "jam" << "milk"
                                                 << merge << "jam milk";
    QTest::newRow("a copy a merge took in, left by a stop")
            << QStringList {"a:1=eggs<", "b:1=eggs milk<a:1", "a:2=eggs tea<a:1", "a:3!m=eggs tea milk<a:2,b:1",
                            "a:4=tea milk<a:3"}
            << "tea milk" << "eggs milk" << int(MergePlan::AlreadyMerged) << "";
    QTest::newRow("bytes the file's past had, edited since, wait for their record")
            << QStringList {"a:1=eggs<", "b:1=eggs milk<a:1", "a:2=eggs milk tea<b:1"} << "eggs milk tea"
            << "eggs milk" << int(MergePlan::Unproven) << "";
    QTest::newRow("a merge of versions the file holds")
            << QStringList {"a:1=eggs<", "a:2=eggs milk<a:1", "b:1=eggs tea<a:1", "b:2!m=eggs tea milk<b:1,a:2",
                            "a:3!m=eggs milk tea<a:2,b:1", "a:4=milk tea<a:3"}
            << "milk tea" << "eggs tea milk" << int(MergePlan::AlreadyMerged) << "milk tea";
    QTest::newRow("two machines merged one copy at once")
            << QStringList {"a:1=eggs<", "a:2=eggs milk<a:1", "b:1=eggs tea<a:1", "a:3!m=eggs milk tea<a:2,b:1",
                            "b:2!m=eggs milk tea<a:2,b:1", "a:4=milk tea<a:3", "b:3=eggs milk tea jam<b:2"}
            << "milk tea" << "eggs milk tea jam" << merge << "milk tea jam";
    QTest::newRow("a read whose record came later is that version")
            << QStringList {"a:1=eggs<", "b:1!r=eggs<", "b:2=eggs tea<b:1", "a:2=<a:1"} << "" << "eggs tea" << merge
            << "tea";
    QTest::newRow("an edit on a read named later goes on from what its reader held before")
            << QStringList {"a:1=eggs<", "b:1=eggs tea<a:1", "a:2=eggs tea<a:1", "a:3=eggs tea jam<a:2",
                            "b:2!r=eggs tea jam<b:1", "b:3=eggs jam<b:2", "c:1=eggs tea milk<b:1"}
            << "eggs jam" << "eggs tea milk" << merge << "eggs milk jam";
    QTest::newRow("a read named later, what its reader held before not alike with its past")
            << QStringList {"a:1=eggs<", "b:1=eggs tea<a:1", "a:2=eggs jam<a:1", "b:2!r=eggs jam<b:1",
                            "b:3=jam<b:2"}
            << "jam" << "eggs tea" << merge << "jam tea";
    QTest::newRow("a read whose bytes recur is the oldest version alike")
            << QStringList {"a:1=<", "b:1!r=<", "a:2=rice<a:1", "b:2!m=rice<b:1,a:2", "b:3=rice milk<b:2", "a:3=<a:2"}
            << "rice milk" << "" << merge << "milk";
    QTest::newRow("a read alike with a version that went on from another read")
            << QStringList {"a:1=rice<", "c:1!r=rice<", "c:2=rice salt<c:1", "c:3=rice<c:2", "b:1!r=rice<",
                            "b:2=rice tea<b:1", "a:2=<a:1"}
            << "" << "rice tea" << merge << "tea";
    QTest::newRow("two reads alike, each alike with a version that went on from the other")
            << QStringList {"a:1=rice<", "b:1!r=rice<", "b:2=rice jam<b:1", "b:3=rice<b:2", "c:1!r=rice<",
                            "c:2=rice milk<c:1", "c:3=rice<c:2", "c:4=rice tea<c:3", "a:2=<a:1"}
            << "" << "rice tea" << merge << "tea";
    QTest::newRow("two reads alike, one of which may be another machine's own rice")
            << QStringList {"a:1=rice<", "d:1=rice<", "b:1!r=rice<", "b:2=rice jam<b:1", "b:3=rice<b:2",
                            "c:1!r=rice<", "c:2=rice milk<c:1", "c:3=rice<c:2", "c:4=rice tea<c:3", "a:2=<a:1"}
            << "" << "rice tea" << merge << "rice tea";
    QTest::newRow("three reads alike, each alike with versions that went on from the others")
            << QStringList {"a:1=rice<", "b:1!r=rice<", "b:2=rice jam<b:1", "b:3=rice<b:2", "c:1!r=rice<",
                            "c:2=rice milk<c:1", "c:3=rice<c:2", "d:1!r=rice<", "d:2=rice oil<d:1", "d:3=rice<d:2",
                            "d:4=rice tea<d:3", "a:2=<a:1"}
            << "" << "rice tea" << merge << "tea";
    QTest::newRow("two reads alike, each of which can only be a different oldest")
            << QStringList {"a:1=rice<", "e:1=rice<", "b:1!r=rice<~e:1", "b:2=rice jam<b:1", "b:3=rice<b:2",
                            "c:1!r=rice<~a:1", "c:2=rice milk<c:1", "c:3=rice<c:2", "c:4=rice tea<c:3", "a:2=<a:1"}
            << "" << "rice tea" << merge << "rice tea";
    QTest::newRow("a read alike with the same edit on two machines goes on from what they share")
            << QStringList {"a:1=eggs milk<", "b:1=eggs<a:1", "c:1=eggs<a:1", "d:1!r=eggs<", "d:2=eggs tea<d:1",
                            "a:2=eggs milk jam<a:1"}
            << "eggs milk jam" << "eggs tea" << merge << "eggs tea jam";
    QTest::newRow("a read in place of a version set aside is none of that one's past")
            << QStringList {"a:1=<", "a:2=rice tea<a:1", "a:3=<a:2", "b:1=rice<a:2", "b:2!r=<~b:1", "b:3=milk<b:2"}
            << "milk" << "rice" << merge << "milk";
    QTest::newRow("both ticked an item, one then deleted it")
            << QStringList {"a:1=eggs milk<", "b:1=eggs +milk<a:1", "a:2=eggs +milk<a:1", "a:3=eggs<a:2",
                            "b:2=eggs +milk tea<b:1"}
            << "eggs" << "eggs +milk tea" << merge << "eggs tea";
    QTest::newRow("bytes the copy went on from wait for their record")
            << QStringList {"a:1=eggs<", "a:2=eggs milk<a:1", "a:3=milk<a:2"} << "eggs milk" << "milk"
            << int(MergePlan::Unproven) << "";
    QTest::newRow("a merge two machines made alike, edited on one and set aside")
            << QStringList {"a:1=eggs<", "a:2=eggs milk<a:1", "b:1=eggs tea<a:1", "a:3!m=eggs milk tea<a:2,b:1",
                            "b:2!m=eggs milk tea<a:2,b:1", "b:3=milk tea<b:2"}
            << "eggs milk tea" << "milk tea" << merge << "milk tea";
    QTest::newRow("bytes another machine came to anew, alike with ones the copy went on from")
            << QStringList {"a:1=eggs<", "a:2=eggs milk<a:1", "a:3=eggs<a:2", "a:4=eggs tea<a:3", "b:1=eggs milk<a:1"}
            << "eggs milk" << "eggs tea" << merge << "eggs tea milk";
    QTest::newRow("bytes only a replaced version had wait for their record")
            << QStringList {"a:1=eggs<", "a:2=eggs milk<a:1", "b:1=tea<a:2"} << "tea" << "eggs"
            << int(MergePlan::Unproven) << "";
    QTest::newRow("a foreign version only read") << QStringList {"a:1=eggs<", "b:1!r=eggs jam<"} << "eggs"
                                                 << "eggs jam" << int(MergePlan::Unproven) << "";
    QTest::newRow("both deleted, then one added again")
            << QStringList {"a:1=eggs milk<", "a:2=milk<a:1", "b:1=milk<a:1", "b:2=milk eggs<b:1", "a:3=milk tea<a:2"}
            << "milk tea" << "milk eggs" << merge << "milk eggs tea";
}

void tst_VersionGraph::copyMergesAgainstWhatBothHad()
{
    QFETCH(QStringList, versions);
    QFETCH(QString, file);
    QFETCH(QString, copy);
    QFETCH(int, kind);
    QFETCH(QString, merged);

    const Versions known(versions);
    const VersionGraph graph(known.versions);
    const QString fileText = itemsText(file);
    const QString copyText = itemsText(copy);
    const MergePlan plan = graph.plan(graph.withHash("list.txt", sha1(fileText)),
                                      graph.withHash("list.txt", sha1(copyText)));
    QCOMPARE(int(plan.kind), kind);
    if (plan.kind != MergePlan::Merge)
        return;
    const auto read = [&](const QByteArray &hash, QStringList *parts) {
        *parts = groceryItems(known.texts.value(hash));
        return known.texts.contains(hash);
    };
    const QStringList base = mergeBaseParts(graph, plan, read, mergeItems, nullptr, sharedItems);
    QCOMPARE(mergeItems(base, groceryItems(fileText), groceryItems(copyText)).join(' '), merged);
}

// Copies go into the file's text one after another: the next goes against what it
// shares with the file and the copies merged before it, as git's merge of several heads.
// Bytes alike with a version others went on from may be a new version whose record is
// on its way; the same version named by a record, as a merge's parent is, is that one.
void tst_VersionGraph::planGoesAgainstWhatTheGivenVersionsHad_data()
{
    QTest::addColumn<QStringList>("versions");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("mergedSoFar");
    QTest::addColumn<QByteArray>("copy");
    QTest::addColumn<bool>("named"); // the file by a record, not by its bytes
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("bases");

    const QStringList apart {"a:1=eggs<", "a:2=eggs milk<a:1", "b:1=eggs tea<a:1"};
    const int merge = MergePlan::Merge;
    QTest::newRow("a copy an earlier copy took in")
            << apart + QStringList {"b:2!m=eggs tea milk<b:1,a:2", "a:3=eggs milk oil<a:2"} << QByteArray("a:3")
            << QByteArray("b:2") << QByteArray("b:1") << false << int(MergePlan::AlreadyMerged) << QByteArray();
    const QStringList threeApart = apart + QStringList {"b:2=eggs tea jam<b:1", "c:1=eggs tea rice<b:1"};
    QTest::newRow("a copy sharing more with an earlier copy than with the file")
            << threeApart << QByteArray("a:2") << QByteArray("b:2") << QByteArray("c:1") << false << merge
            << QByteArray("b:1");
    QTest::newRow("nothing merged before") << threeApart << QByteArray("a:2") << QByteArray() << QByteArray("c:1")
                                           << false << merge << QByteArray("a:1");
    const QStringList wentOn = apart + QStringList {"a:3=eggs milk jam<a:2"};
    QTest::newRow("bytes of a version others went on from") << wentOn << QByteArray("a:2") << QByteArray()
                                                             << QByteArray("b:1") << false
                                                             << int(MergePlan::Unproven) << QByteArray();
    const QStringList mergedOnA = apart + QStringList {"a:3!m=eggs milk tea<a:2,b:1", "a:4=eggs tea<a:3"};
    QTest::newRow("alike merges of two machines, one set aside after an edit")
            << mergedOnA + QStringList {"b:2!m=eggs milk tea<a:2,b:1"} << QByteArray("a:4") << QByteArray()
            << QByteArray("b:2") << false << int(MergePlan::AlreadyMerged) << QByteArray();
    QTest::newRow("bytes of one machine's merge others went on from")
            << mergedOnA << QByteArray("a:4") << QByteArray() << QByteArray("a:3") << false
            << int(MergePlan::Unproven) << QByteArray();
    QTest::newRow("a version others went on from, named") << wentOn << QByteArray("a:2") << QByteArray()
                                                           << QByteArray("b:1") << true << merge << QByteArray("a:1");
}

void tst_VersionGraph::planGoesAgainstWhatTheGivenVersionsHad()
{
    QFETCH(QStringList, versions);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, mergedSoFar);
    QFETCH(QByteArray, copy);
    QFETCH(bool, named);
    QFETCH(int, kind);
    QFETCH(QByteArray, bases);

    const VersionGraph graph(Versions(versions).versions);
    QVector<QVector<QByteArray>> merged;
    if (!mergedSoFar.isEmpty())
        merged << QVector<QByteArray> {mergedSoFar};
    const MergePlan plan = named ? graph.planFrom(file, {copy}) : graph.plan({file}, {copy}, merged);
    QCOMPARE(int(plan.kind), kind);
    QCOMPARE(plan.bases.toList(), bases.isEmpty() ? QList<QByteArray>() : bases.split(','));
}

// An older version standing in for a base may hold what a side added again since, so
// the caller must be told it is not the base itself.
void tst_VersionGraph::baseWithoutItsBytesIsToldOf_data()
{
    QTest::addColumn<QString>("gone"); // the text whose bytes are not at hand
    QTest::addColumn<QString>("base");
    QTest::addColumn<bool>("whole");

    QTest::newRow("every base at hand") << "?" << "eggs" << true;
    QTest::newRow("the base gone, its parent stands in") << "eggs" << "eggs milk" << false;
    QTest::newRow("a base's base gone") << "eggs milk" << "eggs" << true;
}

void tst_VersionGraph::baseWithoutItsBytesIsToldOf()
{
    QFETCH(QString, gone);
    QFETCH(QString, base);
    QFETCH(bool, whole);

    const Versions known({"a:1=eggs milk<", "a:2=eggs<a:1", "b:1=eggs tea<a:2", "a:3=eggs jam<a:2"});
    const VersionGraph graph(known.versions);
    const MergePlan plan = graph.plan({"a:3"}, {"b:1"});
    const auto read = [&](const QByteArray &hash, QStringList *parts) {
        *parts = groceryItems(known.texts.value(hash));
        return hash != sha1(itemsText(gone));
    };
    bool told = !whole;
    QCOMPARE(mergeBaseParts(graph, plan, read, mergeItems, &told).join(' '), base);
    QCOMPARE(told, whole);
}

// Bytes that replaced a version this machine wrote are a version that came after it, or
// beside it: where only its past had them, they are a new version not yet recorded.
void tst_VersionGraph::fileNeverGoesBackToWhatItHeld_data()
{
    QTest::addColumn<QStringList>("versions");
    QTest::addColumn<QByteArray>("head"); // what this machine wrote last
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("expected");

    const QStringList emptied {"a:1=<", "a:2=tea<a:1", "a:3=tea milk<a:2"};
    QTest::newRow("only the head's past had them") << emptied << QByteArray("a:3") << "" << QStringList {};
    QTest::newRow("written beside the head too")
            << emptied + QStringList {"b:1=<a:2"} << QByteArray("a:3") << "" << QStringList {"b:1"};
}

void tst_VersionGraph::fileNeverGoesBackToWhatItHeld()
{
    QFETCH(QStringList, versions);
    QFETCH(QByteArray, head);
    QFETCH(QString, file);
    QFETCH(QStringList, expected);

    const VersionGraph graph(Versions(versions).versions);
    QStringList found;
    for (const QByteArray &id : graph.notBefore(graph.withHash("list.txt", sha1(itemsText(file))), head))
        found << id;
    QCOMPARE(found, expected);
}

// What a side holds of the base's items as the base's, not as its own addition since:
// what a deletion or a tick on the other side may change. A tick changes no item.
void tst_VersionGraph::editsAreReadThroughWhereBytesAreGone_data()
{
    QTest::addColumn<QStringList>("versions");
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<QString>("edits"); // the later edits, by id
    QTest::addColumn<QStringList>("gone"); // texts whose bytes are not at hand
    QTest::addColumn<QByteArray>("readable");

    const QStringList saves {"b:1=eggs<", "a:1=eggs tea<b:1", "a:2=tea<a:1", "a:3=tea jam<a:2"};
    QTest::newRow("at hand") << saves << QByteArray("a:2") << "a:1,a:2" << QStringList() << QByteArray("a:2");
    QTest::newRow("gone, a later edit") << saves << QByteArray("a:2") << "a:1,a:2" << QStringList {"tea"}
                                        << QByteArray("a:1");
    QTest::newRow("two gone in a row") << saves << QByteArray("a:2") << "a:1,a:2"
                                       << QStringList {"tea", "eggs tea"} << QByteArray("b:1");
    QTest::newRow("gone, but no later edit") << saves << QByteArray("a:2") << "a:2" << QStringList {"tea", "eggs tea"}
                                             << QByteArray();
    QTest::newRow("gone, a merge") << saves + QStringList {"a:4!m=tea jam rice<a:3,c:1", "c:1=rice<"}
                                   << QByteArray("a:4") << "a:4" << QStringList {"tea jam rice"} << QByteArray();
    QTest::newRow("gone to the first") << saves << QByteArray("a:1") << "a:1,b:1" << QStringList {"eggs", "eggs tea"}
                                       << QByteArray();
}

void tst_VersionGraph::editsAreReadThroughWhereBytesAreGone()
{
    QFETCH(QStringList, versions);
    QFETCH(QByteArray, version);
    QFETCH(QString, edits);
    QFETCH(QStringList, gone);
    QFETCH(QByteArray, readable);

    QVector<QByteArray> later;
    for (const QString &edit : edits.split(','))
        later << edit.toUtf8();
    const auto hasBytes = [&](const QByteArray &hash) {
        return std::none_of(gone.cbegin(), gone.cend(),
                            [&](const QString &text) { return hash == sha1(itemsText(text)); });
    };
    QCOMPARE(VersionGraph(Versions(versions).versions).readableThrough(version, later, hasBytes), readable);
}

void tst_VersionGraph::heldAsTheBasesIsWhatCameDownFromThem_data()
{
    QTest::addColumn<QStringList>("versions"); // over a:1, the base, "eggs tea" unless given
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QString>("gone"); // the text whose bytes are not at hand
    // Of eggs and tea, as a tick reaches them and then as a deletion takes them, or "?"
    // where not found.
    QTest::addColumn<QString>("held");

    QTest::newRow("kept and ticked") << QStringList {"a:2=+eggs tea milk<a:1"} << QByteArray("a:2") << "?"
                                     << "1 1, 1 1";
    QTest::newRow("deleted and added again")
            << QStringList {"a:2=tea<a:1", "a:3=tea eggs<a:2"} << QByteArray("a:3") << "?" << "0 1, 0 1";
    QTest::newRow("a merge of a deletion and an addition of its own")
            << QStringList {"a:2=tea<a:1", "b:1=eggs<", "b:2!m=tea eggs<a:2,b:1"} << QByteArray("b:2") << "?"
            << "0 1, 0 1";
    QTest::newRow("a merge of two sides that kept them")
            << QStringList {"b:1=eggs tea rice<a:1", "b:2!m=eggs tea jam rice<a:1,b:1"} << QByteArray("b:2") << "?"
            << "1 1, 1 1";
    QTest::newRow("a merge of the bases' line, deleted by one parent, and another's own addition")
            << QStringList {"b:1=tea<a:1", "c:1=eggs<", "c:2!m=tea eggs<a:1,b:1,c:1"} << QByteArray("c:2") << "?"
            << "0 1, 0 1";
    QTest::newRow("a merge of the bases' line and another's own alike addition")
            << QStringList {"c:1=eggs<", "c:2!m=eggs tea<a:1,c:1"} << QByteArray("c:2") << "?" << "1 1, 0 1";
    QTest::newRow("the same, saved on since")
            << QStringList {"c:1=eggs<", "c:2!m=eggs tea<a:1,c:1", "c:3=+eggs tea jam<c:2"} << QByteArray("c:3")
            << "?" << "1 1, 0 1";
    QTest::newRow("a merge of the bases and what they went on from")
            << QStringList {"a:0=eggs<", "y:1=tea<", "a:1=eggs tea<a:0,y:1", "b:1!m=eggs tea<a:0,y:1,a:1"}
            << QByteArray("b:1") << "?" << "1 1, 1 1";
    QTest::newRow("a merge with a side that had come to the same bytes as the bases' past")
            << QStringList {"o:1=eggs<", "p:1=<o:1", "q:1=<o:1", "a:1=eggs tea<p:1", "q:2=<q:1",
                            "b:1!m=eggs tea<a:1,q:2"}
            << QByteArray("b:1") << "?" << "1 1, 1 1";
    QTest::newRow("a merge with a side it shares no version with, though alike bytes")
            << QStringList {"a:1=eggs tea<", "c:1=eggs tea<", "c:2=eggs tea rice<c:1", "b:1!m=eggs tea rice<a:1,c:2"}
            << QByteArray("b:1") << "?" << "1 1, 0 0";
    QTest::newRow("a version between without its bytes: its parent's stand")
            << QStringList {"a:2=tea<a:1", "a:3=tea eggs<a:2"} << QByteArray("a:3") << "tea" << "1 1, 1 1";
    QTest::newRow("the base without its bytes") << QStringList {"a:2=tea<a:1"} << QByteArray("a:2") << "eggs tea"
                                                << "?";
}

void tst_VersionGraph::heldAsTheBasesIsWhatCameDownFromThem()
{
    QFETCH(QStringList, versions);
    QFETCH(QByteArray, head);
    QFETCH(QString, gone);
    QFETCH(QString, held);

    const bool baseGiven = !versions.filter(QRegularExpression("^a:1=")).isEmpty();
    const Versions known(baseGiven ? versions : QStringList {"a:1=eggs tea<"} + versions);
    const auto read = [&](const QByteArray &hash, QStringList *parts) {
        *parts = groceryItemTexts(groceryItems(known.texts.value(hash)));
        return hash != sha1(itemsText(gone));
    };
    HeldAsBase found;
    const bool whole = heldSinceBases(VersionGraph(known.versions), {"a:1"}, {head}, read, &found);
    const auto counts = [](const QHash<QString, int> &lines) {
        return QString("%1 %2").arg(lines.value("eggs")).arg(lines.value("tea"));
    };
    QCOMPARE(whole ? counts(found.byAny) + ", " + counts(found.byEvery) : QString("?"), held);
}

QTEST_GUILESS_MAIN(tst_VersionGraph)
#include "tst_versiongraph.moc"
