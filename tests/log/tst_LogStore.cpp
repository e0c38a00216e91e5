#include "log/LogStore.h"

#include <QSignalSpy>
#include <QTest>

using namespace tolvane;

class TestLogStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { LogStore::shared().setEntries({}); }

    void addsOldestFirstWithFreshIds() {
        LogStore& store = LogStore::shared();
        QSignalSpy added(&store, &LogStore::entryAdded);
        QSignalSpy changed(&store, &LogStore::entriesChanged);
        const QDateTime before = QDateTime::currentDateTime();
        store.add(QStringLiteral("Staged a.txt"), LogLevel::Success, QStringLiteral("repo"));
        store.add(QStringLiteral("Failed to push: line 1\nline 2"), LogLevel::Error, QString());
        QCOMPARE(store.entries().size(), 2);
        QCOMPARE(store.entries().at(0).message, QStringLiteral("Staged a.txt"));
        QCOMPARE(store.entries().at(1).message, QStringLiteral("Failed to push: line 1\nline 2"));
        QCOMPARE(store.entries().at(1).level, LogLevel::Error);
        QCOMPARE(store.entries().at(1).repo, QString());
        QVERIFY(store.entries().at(0).id != store.entries().at(1).id);
        QVERIFY(store.entries().at(0).date >= before);
        QCOMPARE(added.size(), 2);
        QCOMPARE(added.at(1).at(0).toInt(), 1);
        QCOMPARE(changed.size(), 2);
    }

    void keepsEverythingUntilCleared() {
        LogStore& store = LogStore::shared();
        for (int i = 0; i < 20000; ++i)
            store.add(QString::number(i), LogLevel::Info, QStringLiteral("r"));
        QCOMPARE(store.entries().size(), 20000);
        QCOMPARE(store.entries().first().message, QStringLiteral("0"));
        QSignalSpy changed(&store, &LogStore::entriesChanged);
        store.setEntries({});
        QVERIFY(store.entries().isEmpty());
        QCOMPARE(changed.size(), 1);
        store.setEntries({});
        QCOMPARE(changed.size(), 1);
    }

    void levelRawValues() {
        QCOMPARE(rawValue(LogLevel::Info), QStringLiteral("Info"));
        QCOMPARE(rawValue(LogLevel::Success), QStringLiteral("Success"));
        QCOMPARE(rawValue(LogLevel::Error), QStringLiteral("Error"));
        QCOMPARE(logLevelFromRawValue(QStringLiteral("Error")), LogLevel::Error);
        QVERIFY(!logLevelFromRawValue(QStringLiteral("error")).has_value());
        QVERIFY(!logLevelFromRawValue(QString()).has_value());
    }
};

QTEST_GUILESS_MAIN(TestLogStore)
#include "tst_LogStore.moc"
