#include "ViewTestSupport.h"
#include "state/RepositoryState.h"
#include "state/StateTestSupport.h"
#include "support/AwaitTask.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"
#include "ui/blame/BlameGroupDelegate.h"
#include "ui/blame/BlameGroupModel.h"
#include "ui/blame/BlameView.h"
#include "ui/blame/commitColor.h"

#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>

using namespace tolvane;

class TestBlameView : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

private Q_SLOTS:
    void commitColorHue();
    void loadingGroupsAndHover();
    void failedLoadShowsNoData();
    void blamePreviousRevisionKeepsTheLineInView();
};

// The blame of a long file whose line 250 changed in a second commit: blaming that line's
// previous revision shows line 250 of the first commit, on screen.
void TestBlameView::blamePreviousRevisionKeepsTheLineInView() {
    test::RepoFixture repo;
    QByteArray text;
    for (int i = 1; i <= 300; ++i)
        text += "line " + QByteArray::number(i) + "\n";
    repo.writeFile(QStringLiteral("long.txt"), text);
    repo.commitAll(QStringLiteral("first"));
    text.replace("line 250\n", "line two hundred fifty\n");
    repo.writeFile(QStringLiteral("long.txt"), text);
    repo.commitAll(QStringLiteral("second"));
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    BlameView view(state.get(), nullptr);
    view.resize(760, 320);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    test::await(state->loadBlame(QStringLiteral("long.txt")));
    const GitBlameLine changed = state->blameLines().at(249);

    const auto lineShown = [&view](int line) {
        BlameGroupModel* model = view.model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const BlameGroup& group = model->groupAt(row);
            if (line < group.lines.constFirst().id || line > group.lines.constLast().id)
                continue;
            const int y = view.list()->visualRect(model->index(row)).top() +
                          (line - group.lines.constFirst().id) * BlameGroupDelegate::lineHeight;
            return y >= 0 &&
                   y + BlameGroupDelegate::lineHeight <= view.list()->viewport()->height();
        }
        return false;
    };
    QVERIFY(!lineShown(250));
    test::await(state->blamePreviousRevision(changed));
    QCOMPARE(state->blameLines().size(), 300);
    QTRY_VERIFY(lineShown(250));
}

void TestBlameView::commitColorHue() {
    // 48 × (31⁵ + 31⁴ + 31³ + 31² + 31 + 1), reduced modulo 360.
    qint64 sum = 0;
    for (int power = 0; power <= 5; ++power)
        sum = sum * 31 + 1;
    const qint64 h = 48 * sum;
    QCOMPARE(h % 360, 288);
    QCOMPARE(commitHue(QStringLiteral("000000")), double(h % 360) / 360.0);
    // Only the first six characters count.
    QCOMPARE(commitHue(QStringLiteral("000000ffff")), commitHue(QStringLiteral("000000")));
    QCOMPARE(commitHue(QString()), 0.0);
    // A non-ASCII character counts 0 and a CR LF pair counts as one line feed.
    QCOMPARE(commitHue(QStringLiteral("é")), 0.0);
    QCOMPARE(commitHue(QStringLiteral("\r\n")), 10.0 / 360.0);
    QCOMPARE(commitHue(QStringLiteral("a\r\n")), double((97 * 31 + 10) % 360) / 360.0);

    const QColor color = commitColor(QStringLiteral("000000"));
    QCOMPARE(color.hsvHue(), 288);
    QVERIFY(qAbs(color.hsvSaturationF() - 0.3) < 0.01);
    QVERIFY(qAbs(color.valueF() - 0.95) < 0.01);
    QCOMPARE(color.alphaF(), 1.0f);
}

void TestBlameView::loadingGroupsAndHover() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("poem.txt"), "one\ntwo\nthree\n");
    repo.commitAll(QStringLiteral("first"));
    repo.writeFile(QStringLiteral("poem.txt"), "one\nTWO\nthree\n");
    repo.commitAll(QStringLiteral("second"));
    auto state = test::openState(repo.path());
    test::await(state->refresh());

    BlameView view(state.get(), nullptr);
    view.resize(760, 320);
    view.show();

    QCoro::Task<> loading = state->loadBlame(QStringLiteral("poem.txt"));
    // While loading there is neither the empty notice nor any group.
    QCOMPARE(view.page(), BlameView::Page::Loading);
    QCOMPARE(view.model()->rowCount(), 0);
    test::saveLightAndDark(&view, QStringLiteral("blame-view-loading"));
    test::await(std::move(loading));

    QCOMPARE(view.page(), BlameView::Page::Groups);
    QCOMPARE(test::child<QLabel>(&view, QStringLiteral("blameFilePath"))->text(),
             QStringLiteral("poem.txt"));
    QCOMPARE(test::child<QLabel>(&view, QStringLiteral("blameLineCount"))->text(),
             QStringLiteral("3 lines"));
    BlameGroupModel* model = view.model();
    QCOMPARE(model->rowCount(), 3);
    const BlameGroup& top = model->groupAt(0);
    const BlameGroup& bottom = model->groupAt(2);
    QCOMPARE(top.commitHash, bottom.commitHash);
    QVERIFY(top.id != bottom.id);
    QCOMPARE(commitColor(top.commitHash), commitColor(bottom.commitHash));
    QVERIFY(commitColor(model->groupAt(1).commitHash) != commitColor(top.commitHash) ||
            model->groupAt(1).commitHash.left(6) == top.commitHash.left(6));

    // Hovering the first run of a commit does not light up its second run.
    QListView* list = view.list();
    const QPoint inside = list->visualRect(model->index(0)).center();
    QMouseEvent move(QEvent::MouseMove, inside, list->viewport()->mapToGlobal(inside), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    QCOMPARE(view.hoveredGroup(), top.id);
    QVERIFY(model->index(0).data(BlameGroupModel::IsHoveredRole).toBool());
    QVERIFY(!model->index(2).data(BlameGroupModel::IsHoveredRole).toBool());
    test::saveLightAndDark(&view, QStringLiteral("blame-view"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(list->viewport(), &leave);
    QVERIFY(view.hoveredGroup().isEmpty());

    // The close button leaves the blame view and clears the lines.
    QTest::mouseClick(test::child<QToolButton>(&view, QStringLiteral("blameCloseButton")),
                      Qt::LeftButton);
    QVERIFY(!state->showBlameView());
    QCOMPARE(model->rowCount(), 0);
}

void TestBlameView::failedLoadShowsNoData() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.commitAll(QStringLiteral("initial"));
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    BlameView view(state.get(), nullptr);
    view.resize(600, 240);
    view.show();

    test::await(state->loadBlame(QStringLiteral("missing.txt")));
    QVERIFY(state->showBlameView());
    QCOMPARE(view.page(), BlameView::Page::Empty);
    QVERIFY(test::child<QWidget>(&view, QStringLiteral("blameEmpty"))->isVisible());
    QCOMPARE(test::child<QLabel>(&view, QStringLiteral("blameEmptyText"))->text(),
             QStringLiteral("No blame data available"));
    QCOMPARE(test::child<QLabel>(&view, QStringLiteral("blameLineCount"))->text(),
             QStringLiteral("0 lines"));
    test::saveLightAndDark(&view, QStringLiteral("blame-view-empty"));
}

QTEST_MAIN(TestBlameView)
#include "tst_BlameView.moc"
