// The log's lines and view, the version text and the diagnostics' categories.
#include "app/logging.h"
#include "app/version.h"
#include "link/logging.h"
#include "ui/logging.h"
#include "ui/main/logview.h"
#include "ui/main/statuslog.h"

#include <QtTest>

class TestLogView : public QObject {
    Q_OBJECT

private slots:
    // Twelve-hour times whatever the locale, midnight and noon as 12; the version text.
    void timeLinesAndVersion() {
        QLocale::setDefault(QLocale(QLocale::German));
        QCOMPARE(formatTime12(QTime(0, 7)), QStringLiteral("12:07am"));
        QCOMPARE(logTimeLine(QTime(12, 0)), QStringLiteral("     12:00pm"));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(::versionText(1, 2, 3), QStringLiteral("v1.23"));
        QCOMPARE(::versionText(2, 10, 7), QStringLiteral("v2.107"));
    }

    // Newest on top, 22 lines at most cut from the bottom; a burst is painted once.
    void logViewKeepsTheNewestOnTop() {
        LogView view;
        view.resize(145, 180);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int paintsBefore = view.paintCount();
        for (int i = 0; i < 6; ++i)
            view.addEntry(logEntryLines(QTime(1, i), {QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(view.lines().size(), 22);
        QCOMPARE(view.lines().at(1), QStringLiteral("     01:05am"));
        QCOMPARE(view.lines().at(21), QStringLiteral("     01:00am"));
        QCoreApplication::processEvents();
        QVERIFY(view.paintCount() - paintsBefore <= 1);
    }

    // Each room's diagnostics, named as in the manual, silent below warnings until switched on.
    void diagnostics() {
        const QList<std::pair<const QLoggingCategory*, const char*>> rooms{
            {&lcLink(), "zav.link"}, {&lcApp(), "zav.app"}, {&lcUi(), "zav.ui"}};
        for (const auto& [category, name] : rooms) {
            QCOMPARE(category->categoryName(), name);
            QVERIFY(!category->isDebugEnabled() && !category->isInfoEnabled() &&
                    category->isWarningEnabled());
            QLoggingCategory::setFilterRules(QStringLiteral("zav.*.debug=true"));
            QVERIFY(category->isDebugEnabled());
            QLoggingCategory::setFilterRules(QString());
        }
    }
};

QTEST_MAIN(TestLogView)
#include "tst_logview.moc"
