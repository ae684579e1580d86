// The real Qt dialog against the simulated field, driven as an operator would: keys and
// clicks on controls found by their accessible names.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <fstream>
#include <functional>
#include <memory>

#include "FieldRig.h"
#include "app/FixDialog.h"
#include "app/LinkWorker.h"
#include "app/QtDialogHost.h"
#include "app/ReplayOperator.h"
#include "app/Startup.h"
#include "engine/Messages.h"
#include "sim/Replay.h"

using namespace app;
using namespace engine;
using namespace app::testing;

namespace {

constexpr int kTickMs = 5;
constexpr int kGiveUpMs = 30000;

template <class Widget>
Widget* control(QWidget* window, const QString& accessibleName) {
    for (Widget* widget : window->findChildren<Widget*>()) {
        if (widget->accessibleName() == accessibleName) return widget;
    }
    return nullptr;
}

// One run of the dialog: a script ticks on the dialog's thread until it closes the
// dialog; message boxes are seen and answered by a watcher of their own, since they run
// nested loops in which the script's own tick cannot fire again.
class GuiRun {
public:
    explicit GuiRun(const sim::Scenario& scenario = sim::defaultField()) : rig(scenario) {}

    // The script returns true once it is done (it closes the dialog itself).
    using Script = std::function<void(GuiRun&)>;
    using BoxAnswer = std::function<void(GuiRun&, QMessageBox&)>;

    int runApplication(Script script, BoxAnswer answer = okBox) {
        return runApplication(rig.service, std::move(script), std::move(answer));
    }
    // The program in front of another service than the rig's.
    int runApplication(engine::TurbineService& service, Script script, BoxAnswer answer) {
        return drive(std::move(script), std::move(answer),
                     [this, &service] { return runFixApplication(service, host); });
    }

    int runDialog(Script script, BoxAnswer answer = okBox) {
        rig.attach();
        const int result = drive(std::move(script), std::move(answer), [this] {
            const int r = dialog.run(kFixDialogTemplate);
            dialog.stopWorker();
            return r;
        });
        return result;
    }

    static void okBox(GuiRun&, QMessageBox& box) {
        QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton);
    }

    QLineEdit* turbineId() { return control<QLineEdit>(window, "Turbine ID"); }
    QLineEdit* status() { return control<QLineEdit>(window, "Status"); }
    QLabel* others() { return control<QLabel>(window, "Others found"); }
    QPushButton* button(const char* text) { return control<QPushButton>(window, text); }
    LinkWorker& worker() { return *dialog.worker(); }
    void close() {
        if (window) window->close();
    }

    FieldRig rig;
    QtDialogHost host;
    FixDialog dialog{host, rig.service};
    QDialog* window = nullptr;
    QStringList statuses;
    QStringList boxes;    // "caption: text"
    QStringList details;  // each box's informative text
    // Each box's width beyond its caption, in lines of a large bold title font.
    QList<double> captionRoom;
    bool timedOut = false;

private:
    int drive(Script script, BoxAnswer answer, const std::function<int()>& body) {
        QTimer tick;
        QTimer boxWatch;
        QTimer giveUp;
        host.setOnShow([&](QDialog& shown) {
            window = &shown;
            QObject::connect(status(), &QLineEdit::textChanged,
                             [this](const QString& text) { statuses << text; });
            QObject::connect(&tick, &QTimer::timeout, [&] { script(*this); });
            tick.start(kTickMs);
        });
        QObject::connect(&boxWatch, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || box->property("seen").toBool()) return;
            box->setProperty("seen", true);
            boxes << box->windowTitle() + ": " + box->text();
            details << box->informativeText();
            QFont title = box->font();
            title.setBold(true);
            title.setPointSizeF(title.pointSizeF() * 1.5);
            const QFontMetrics metrics(title);
            captionRoom << double(box->width() - metrics.horizontalAdvance(box->windowTitle())) /
                               metrics.height();
            answer(*this, *box);
        });
        boxWatch.start(kTickMs);
        QObject::connect(&giveUp, &QTimer::timeout, [&] {
            timedOut = true;
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->done(QMessageBox::Ok);
            }
            close();
        });
        giveUp.start(kGiveUpMs);
        const int result = body();
        tick.stop();
        window = nullptr;
        return result;
    }
};

}  // namespace

class FixDialogGuiTest : public QObject {
    Q_OBJECT

private slots:
    void wholeFixByKeyboardAndMouse();
    void escapeLeavesTheDialogOpen();
    void turbineIdWithoutDigits();
    void noRadioShowsFaultAndExitsWithOne();
    void closeMidFixEndsTheWorker();
    void closeWithFixCompleteBoxOpen();
    void looksLikeTheTemplate();
    void othersCountStaysRightAlignedInItsField();
    void replayPlaysTheRecordedOperator_data();
    void replayPlaysTheRecordedOperator();
};

void FixDialogGuiTest::wholeFixByKeyboardAndMouse() {
    GuiRun run;
    enum { Type, Found, Fixing, Done } step = Type;
    QString idShown, countShown;
    bool fixWasEnabled = false, fixEnabledAfter = true;
    const int result = run.runDialog([&](GuiRun& r) {
        switch (step) {
            case Type:
                QTest::keyClicks(r.turbineId(), "7654321");
                QTest::keyClick(r.turbineId(), Qt::Key_Return);  // Search is the default
                step = Found;
                break;
            case Found:
                if (!r.worker().found() || r.worker().searchDue()) break;
                idShown = r.turbineId()->text();
                countShown = r.others()->text();
                fixWasEnabled = r.button("Fix")->isEnabled();
                QTest::mouseClick(r.button("Fix"), Qt::LeftButton);
                step = Fixing;
                break;
            case Fixing:
                if (r.boxes.isEmpty() || r.worker().fixDue()) break;
                if (r.others()->text() != "0" || r.button("Fix")->isEnabled()) break;
                fixEnabledAfter = r.button("Fix")->isEnabled();
                step = Done;
                r.close();
                break;
            case Done:
                break;
        }
    });
    QVERIFY(!run.timedOut);
    QCOMPARE(result, 0);
    QCOMPARE(idShown, QString("QOR123-7654321"));
    QCOMPARE(countShown, QString("5"));
    QVERIFY(fixWasEnabled);
    QCOMPARE(run.statuses, QStringList({kStatusScanning, kStatusConfiguring, kStatusWaiting,
                                        kStatusLinking, kStatusSpeedFixed}));
    QCOMPARE(run.boxes,
             QStringList({"Fix Complete: Communication has been established with turbine."}));
    QVERIFY(!fixEnabledAfter);
    QVERIFY(run.worker().ended());
}

void FixDialogGuiTest::escapeLeavesTheDialogOpen() {
    GuiRun run;
    int ticks = 0;
    bool visibleAfterEscape = false;
    const int result = run.runDialog([&](GuiRun& r) {
        if (ticks++ == 0) {
            QTest::keyClick(r.turbineId(), Qt::Key_Escape);
            return;
        }
        visibleAfterEscape = r.window->isVisible();
        r.close();
    });
    QVERIFY(!run.timedOut);
    QVERIFY(visibleAfterEscape);
    QCOMPARE(result, 0);
}

void FixDialogGuiTest::turbineIdWithoutDigits() {
    GuiRun run;
    bool typed = false;
    const int result = run.runDialog([&](GuiRun& r) {
        if (!typed) {
            typed = true;
            QTest::keyClicks(r.turbineId(), "QOR12");
            // Queued: the click opens a box whose loop would hold this tick.
            QMetaObject::invokeMethod(r.button("Search"), "click", Qt::QueuedConnection);
        } else if (!r.boxes.isEmpty()) {
            r.close();
        }
    });
    QVERIFY(!run.timedOut);
    QCOMPARE(result, 0);
    QCOMPARE(run.boxes, QStringList({"No turbine specified: No identifier digits found."}));
    QCOMPARE(run.details, QStringList({""}));
    // The box is not cut to its short text: its caption shows whole in a title bar, even in
    // a window manager's larger title font.
    QVERIFY(run.captionRoom.front() >= 2);  // room for the title bar's close button
    QCOMPARE(run.worker().target(), 0);
}

void FixDialogGuiTest::noRadioShowsFaultAndExitsWithOne() {
    sim::Scenario scenario;
    std::string error;
    QVERIFY(parseField("device open-fails\n", scenario, error));
    GuiRun run(scenario);
    bool shown = false;
    const int result = run.runApplication([&](GuiRun&) { shown = true; });
    QVERIFY(!run.timedOut);
    QCOMPARE(result, 1);
    QCOMPARE(run.boxes,
             QStringList({"Communications fault: Could not find downtower tallis radio"}));
    QCOMPARE(run.details, QStringList({"The dongle failed. Unplug the dongle, plug it in again, "
                                       "then start the program again."}));
    QVERIFY(!shown);
}

// The close comes from inside a worker's call (the status text it is setting).
void FixDialogGuiTest::closeMidFixEndsTheWorker() {
    GuiRun run;
    bool searched = false, fixing = false;
    const int result = run.runDialog([&](GuiRun& r) {
        if (!searched) {
            searched = true;
            QObject::connect(r.status(), &QLineEdit::textChanged, [&r](const QString& text) {
                if (text == kStatusWaiting) r.close();
            });
            QTest::keyClicks(r.turbineId(), "QOR123-7654321");
            QTest::mouseClick(r.button("Search"), Qt::LeftButton);
        } else if (!fixing && r.worker().found() && !r.worker().searchDue()) {
            fixing = true;
            QTest::mouseClick(r.button("Fix"), Qt::LeftButton);
        }
    });
    QVERIFY(!run.timedOut);
    QCOMPARE(result, 0);
    QCOMPARE(run.statuses.back(), QString(kStatusWaiting));
    QVERIFY(run.dialog.worker()->ended());
}

// Closing while the worker sits in the "Fix Complete" box: the box goes, the worker is
// let go and ends, and the program ends with 0.
void FixDialogGuiTest::closeWithFixCompleteBoxOpen() {
    GuiRun run;
    bool searched = false, fixing = false;
    const int result = run.runDialog(
        [&](GuiRun& r) {
            if (!searched) {
                searched = true;
                QTest::keyClicks(r.turbineId(), "7654321");
                QTest::mouseClick(r.button("Search"), Qt::LeftButton);
            } else if (!fixing && r.worker().found() && !r.worker().searchDue()) {
                fixing = true;
                QTest::mouseClick(r.button("Fix"), Qt::LeftButton);
            }
        },
        [](GuiRun& r, QMessageBox&) { r.close(); });
    QVERIFY(!run.timedOut);
    QCOMPARE(result, 0);
    QCOMPARE(run.boxes.size(), 1);
    QVERIFY(run.worker().ended());
    // fixComplete's later steps were refused: Fix stays as the match left it.
    QCOMPARE(run.statuses.back(), QString(kStatusSpeedFixed));
}

void FixDialogGuiTest::looksLikeTheTemplate() {
    GuiRun run;
    QString title;
    QSize size, sizeHint;
    bool fixedSize = false, idHasFocus = false, searchIsDefault = false;
    run.runDialog([&](GuiRun& r) {
        // The platform activates a new window in its own time; the focus shows only then.
        if (!r.window->isActiveWindow()) return;
        title = r.window->windowTitle();
        size = r.window->size();
        fixedSize = r.window->minimumSize() == r.window->maximumSize();
        idHasFocus = QApplication::focusWidget() == r.turbineId();
        searchIsDefault = r.button("Search")->isDefault();
        r.close();
    });
    QCOMPARE(title, QString("Qor Inverter Comm Fix"));
    QVERIFY(fixedSize);
    QVERIFY(idHasFocus);
    QVERIFY(searchIsDefault);
    // 159 x 110 dialog units: the ratio of the two holds whatever the font.
    QVERIFY(size.width() > size.height());
}

// A count too wide for its field is shown whole; a count that fits is right-aligned in the
// field as the template placed it, however wide an earlier count was.
void FixDialogGuiTest::othersCountStaysRightAlignedInItsField() {
    GuiRun run;
    QRect field, wide, back;
    int wideText = 0;
    bool rightAligned = false;
    run.runDialog([&](GuiRun& r) {
        QLabel* count = r.others();
        field = count->geometry();
        r.host.setItemText(kIdOthersCount, "12345");
        wide = count->geometry();
        wideText = count->fontMetrics().horizontalAdvance("12345");
        r.host.setItemText(kIdOthersCount, "7");
        back = count->geometry();
        rightAligned = (count->alignment() & Qt::AlignRight) != 0;
        r.close();
    });
    QVERIFY(rightAligned);
    QCOMPARE(wide.left(), field.left());
    QVERIFY(wide.width() >= wideText);
    QCOMPARE(back, field);
}

void FixDialogGuiTest::replayPlaysTheRecordedOperator_data() {
    QTest::addColumn<QString>("recording");
    QTest::addColumn<QString>("lastBox");
    QTest::addColumn<int>("kind");
    QTest::newRow("fixed") << "speed-fixed"
                           << "Fix Complete: Communication has been established with turbine."
                           << int(sim::ReplayResult::Kind::Matched);
    QTest::newRow("interrupted") << "interrupted"
                                 << "Replay: The recorded run was stopped here by its user."
                                 << int(sim::ReplayResult::Kind::Matched);
    QTest::newRow("diverged") << "one-byte-changed"
                              << "Replay: The run left the recording."
                              << int(sim::ReplayResult::Kind::Diverged);
    QTest::newRow("cut off") << "cut-off"
                             << "Replay: The recording ended while the run went on."
                             << int(sim::ReplayResult::Kind::EndedEarly);
}

// The dialog against a recording, as the simulator program shows it: the operator types the
// recorded turbine ID, searches and fixes, and the run ends in the box the recording calls
// for. The test closes the dialog at that box.
void FixDialogGuiTest::replayPlaysTheRecordedOperator() {
    QFETCH(QString, recording);
    QFETCH(QString, lastBox);
    QFETCH(int, kind);
    const std::string path = QOR_RECORDING_DIR "/" + recording.toStdString() + ".trace";
    transport::VirtualClock clock;
    std::string error;
    const std::unique_ptr<sim::Replay> replay = sim::openReplay(path, clock, error);
    QVERIFY2(replay, error.c_str());
    std::ifstream header(path, std::ios::binary);
    sim::RecordedCommand command;
    QVERIFY(sim::readRecordedCommand(header, command));
    std::vector<transport::Driver*> drivers;
    for (const sim::ReplayDriver& driver : replay->drivers()) drivers.push_back(driver.driver);
    const transport::Settings settings;
    transport::PortFactory factory(drivers, clock, settings);
    engine::TurbineService service(&factory, settings, clock);

    GuiRun run;
    auto player = std::make_unique<ReplayOperator>(run.host, *replay, command);
    bool started = false;
    run.runApplication(
        service,
        [&](GuiRun& r) {
            if (!started) player->start(*r.window);
            started = true;
        },
        [&](GuiRun& r, QMessageBox& box) {
            GuiRun::okBox(r, box);
            if (r.boxes.back() == lastBox) r.close();
        });
    player.reset();
    QVERIFY(!run.timedOut);
    QCOMPARE(run.boxes.join(" | "), lastBox);
    QCOMPARE(int(replay->finish().kind), kind);
}

QTEST_MAIN(FixDialogGuiTest)
#include "FixDialogGuiTest.moc"
