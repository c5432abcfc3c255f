#pragma once

#include "app/list_view.h"
#include "app/platform.h"
#include "app/progress_bar.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>

namespace amb {

class SkinFramework;
class TripListKeeper;

// How the distance run measures, as chosen in the results list's menu, in the words
// the tool's options take. The defaults give the window's sentences in miles.
struct MeasureChoice {
    QString unit = QStringLiteral("mi");      // "mi", "km", "nmi"
    QString model = QStringLiteral("sphere"); // "sphere", "wgs84"
    bool totalLine = false;
    bool returnToFirst = false; // the run ends with the leg back to the first city
    bool courseInEachLine = false; // each sentence ends with the leg's initial course
};

// The save dialog as the text export uses it: it remembers the name chosen last
// time and offers it again.
struct CommonDialog {
    int Flags = 0;
    QString DialogTitle;
    QString Filter;
    QString FileName;
};

// The program's one working window. Its handlers keep their design names; each
// subsystem defines its own handlers in its own folder:
//   src/app       Form_Load, Form_QueryUnload, Form_Unload, the pointer handlers
//   src/lookup    Command1_Click, PushButton7_Click, PushButton8_Click, RunCityQuery
//   src/trip      ListView1_DblClick, PushButton6/1/3_Click, IsCityInTripList
//   src/distance  PushButton17_Click
//   src/output    ListView2_DblClick, PushButton2/4/13/5_Click,
//                 SaveResultsAsExcelFileIsExcelInstalled
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(Platform& platform, QWidget* parent = nullptr);
    ~Form1() override;

    Platform& platform() { return platform_; }

    // Controls, named as designed.
    QGroupBox* Frame1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* PushButton7 = nullptr;
    QPushButton* PushButton8 = nullptr;
    ListView* ListView1 = nullptr;
    QPushButton* PushButton6 = nullptr;
    ListView* ListView3 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QPushButton* PushButton3 = nullptr;
    QPushButton* PushButton17 = nullptr;
    ListView* ListView2 = nullptr;
    QPushButton* PushButton4 = nullptr;
    QPushButton* PushButton13 = nullptr;
    QPushButton* PushButton5 = nullptr;
    QPushButton* PushButton2 = nullptr;
    ProgressBar* ProgressBar1 = nullptr;
    QPushButton* Command1 = nullptr;
    CommonDialog CommonDialog1;
    std::unique_ptr<SkinFramework> SkinFramework1;

    // The ten push buttons that show the hand pointer.
    QList<QPushButton*> pushButtons() const;

    // Start-up and shutdown.
    void Form_Load();
    void Form_QueryUnload();
    void Form_Unload();

    // Pointer feedback.
    void PushButton_MouseMove();
    void Form_MouseMove();
    void Frame1_MouseMove();
    void ListView1_MouseMove();
    void ListView2_MouseMove();
    void ListView3_MouseMove();

    // City lookup.
    void Command1_Click();
    void PushButton7_Click();
    void PushButton8_Click();
    void RunCityQuery();

    // Trip list.
    void ListView1_DblClick();
    void PushButton6_Click();
    void PushButton1_Click();
    void PushButton3_Click();
    bool IsCityInTripList(const QString& cityText) const;

    // Distance run.
    void PushButton17_Click();
    bool DistanceRunning = false;

    // Results output.
    void ListView2_DblClick();
    void PushButton2_Click();
    void PushButton4_Click();
    void PushButton13_Click();
    void PushButton5_Click();
    bool SaveResultsAsExcelFileIsExcelInstalled();

    // What the tool does, reached without changing the form: the lists' context menus
    // (src/app), their commands in each subsystem, the map window (src/route).
    MeasureChoice measureChoice;
    std::unique_ptr<QMenu> ListView1Menu, ListView2Menu, ListView3Menu;
    std::unique_ptr<QWidget> MapWindow1;
    std::unique_ptr<TripListKeeper> TripListKeeper1; // src/app/settings.cpp, from start-up on
    void ListView1_ContextMenu(const QPoint& globalAt); // src/lookup
    void ListView2_ContextMenu(const QPoint& globalAt); // src/output
    void ListView3_ContextMenu(const QPoint& globalAt); // src/trip
    void setMeasureChoice(const MeasureChoice& choice); // src/output: kept in the settings
    void CopyResultsAs_Click(const QString& format);   // src/output: "csv", "geojson"
    void MoveUp_Click();                                // src/trip
    void MoveDown_Click();
    void ReverseTrip_Click();
    void ShortestOrderFromFirst_Click(); // src/trip, through src/planning
    void ShortestOrderBetweenEnds_Click();
    void ShortestOrderRoundTrip_Click(); // also turns the way back on
    void OpenTrip_Click();
    void SaveTripAs_Click();
    void OpenTripFile(const QString& path); // also for a file dropped on the trip list
    void ShowTripOnMap_Click();             // src/route
    void ShowOnMap_Click();                 // the search list's selected city
    void About_Click();                     // src/lookup

    // Every command the user starts runs through here (clicks, double-clicks, menu
    // entries, a dropped file), so the trip list's undo (src/trip/trip_undo.*) sees
    // each one begin and end and can take back what it changed. `source` is the
    // control or menu entry that started it and names the step.
    void runCommand(QObject* source, const std::function<void()>& command);
    std::unique_ptr<QObject> TripUndo1;
    void connectTripUndo();             // src/trip
    void tripCommandStarting(QObject* source);
    void tripCommandEnded();

    // Design colours, changed by the skin.
    void setBackgroundColor(QWidget* widget, const QColor& color);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void createControls();
    void run(void (Form1::*handler)());
    void connectHandlers();
    void connectContextMenus(); // src/app/context_menus.cpp
    Platform& platform_;
    bool closing_ = false;
};

// Sizes of the design, in twips.
struct ControlGeometry {
    const char* name;
    int left, top, width, height, tabIndex;
};
const std::vector<ControlGeometry>& formDesign();
inline constexpr int kClientWidthTwips = 15960;
inline constexpr int kClientHeightTwips = 6405;

} // namespace amb
