// The boot check on the boot line page: the captures of the session, the
// reference chosen, the check of each capture against it, its band and
// verdict on the chart and beside it, the chart menu's boot check actions,
// and the offline check of the chart's data or an opened recording. The
// logic is bootprofile's (analysis/); this only wires it to the page.
#pragma once

#include "analysis/bootprofile.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class BootBandItems;
class OneKeyLine;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class Ui_Widget;
class Widget;
namespace bootline {
struct Answer;
}

class BootCheckPanel : public QObject {
    Q_OBJECT
public:
    // Builds the page's boot check box and listens to the boot line's engine.
    BootCheckPanel(Widget *window, Ui_Widget *ui, OneKeyLine *line);
    ~BootCheckPanel() override;

    // The boot check's entries of the boot line chart's context menu.
    void addMenuActions(QMenu *menu);

    // The references of the library folder, in the page's list again (after
    // a change of the library, or of its folder).
    void refreshChoices();
    // Chooses the reference in this file of the library (empty: none); false
    // (after a message saying why) when it cannot be read.
    bool chooseReference(const QString &fileName);
    QString chosenFile() const { return mChosenFile; }
    const std::optional<bootprofile::Check> &check() const { return mCheck; }

    // Ends the running capture (it is kept, and checked as far as it got).
    void endCapture();
    // "Save as reference…": the last capture, as a reference of the library.
    void saveAsReference();
    // "Build from captures…": the captures chosen from the session's last
    // ones, as one reference.
    void buildFromCaptures();
    // "Reference library…".
    void showLibrary();
    // The chosen reference against the chart's data (a loaded chart file,
    // or what the chart holds), from its first rise through the threshold,
    // 2 ms a sample.
    void checkChartData();
    // Opens a boot line recording, adds its current to the chart, and checks
    // its capture against the chosen reference.
    void openRecordingAndCheck();
    // The chart was emptied: nothing of the check stays drawn on it.
    void chartCleared();

    bootprofile::Capturer &capturer() { return mCapturer; }
    BootBandItems &items() { return *mItems; }
    QComboBox *choiceBox() const { return mChoice; }
    QLabel *verdictLabel() const { return mVerdict; }
    QLabel *summaryLabel() const { return mSummary; }
    QGroupBox *box() const { return mBox; }

    // The sentences of the verdict, translated.
    static bootprofile::Words words();

private:
    void answer(const bootline::Answer &answer);
    void gap();
    // Shows the verdict of the check (or that nothing is chosen) on the page
    // and on the chart; `now` for the sets made by a user's action, not a poll.
    void showVerdict(bool now);
    // Runs a whole capture through the check, drawing it at the chart's keys
    // from `startKey`.
    void checkOffline(const bootprofile::Capture &capture, double startKey);
    void message(const QString &text);
    void applyThreshold(double amps);
    // A reference from the last capture, or from captures chosen.
    void makeReference(bool several);

    Widget *mWindow;
    Ui_Widget *mUi;
    OneKeyLine *mLine;
    int mListener = 0;
    bootprofile::Capturer mCapturer;
    std::optional<bootprofile::Check> mCheck;
    QString mChosenFile;
    std::unique_ptr<BootBandItems> mItems;
    QGroupBox *mBox = nullptr;
    QComboBox *mChoice = nullptr;
    QLabel *mVerdict = nullptr;
    QLabel *mSummary = nullptr;
    // What the verdict shows now: its state and, while running, the tenth
    // of a second it got to.
    int mShownState = -1;
    qint64 mShownTenth = -1;
    bool mFillingChoices = false;
};
