#pragma once

#include <QAbstractButton>
#include <QPointF>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>

#include "map/qt/MapDecorations.h"
#include "map/qt/MapFrameCache.h"
#include "map/qt/MapLayer.h"
#include "map/qt/MapModel.h"
#include "map/qt/MapOverlayPainter.h"
#include "map/qt/MapTilePainter.h"

class QPainter;

// The map on screen: draws its map model (the tiles of the current map type, the layers features
// add and the circles over them) and over that the user's position with its accuracy, a scale bar,
// the sources' credit, a note while tiles are missing and a feature's panel at the top. It pans by
// dragging and the arrow keys and zooms by wheel, pinch, double-click and +/-; it offers "I am
// here" from its context menu or a long press (or coordinates typed into a dialog), and a control
// that centres it on the user.

namespace storm::qt {

class MapWidget : public QWidget {
  Q_OBJECT

 public:
  explicit MapWidget(QWidget* parent = nullptr);
  ~MapWidget() override;

  // What the map shows: camera, tiles, the user's position, circles and layers.
  MapModel& model() const { return *model_; }

  // The words shown over the map about the user's position when it is not a current fix (how old,
  // how rough, who set it) and about what keeps the location service from giving one; empty while
  // a current, accurate fix stands.
  QString noticeText() const;
  // The note at the foot of the map while tiles it needs are missing: on their way (once they
  // have kept the map waiting a moment) or failing. Empty while every tile is there.
  QString tileNoteText() const;
  // Where the sources' credit is drawn (empty before the first paint or without a credit); its
  // whole text is the tooltip there.
  QRect creditRect() const { return creditRect_; }

  // The panel at the top of the map (a child of the map), clear of the re-centre control and the
  // notice; placed again whenever the map or, through placePositionControls, the panel changes.
  void setTopPanel(MapPanel* panel);
  // A panel at the foot of the map (a child of the map), above the credit line, for a question
  // that must not cover the middle of the map or the top panel; hidden where it does not fit
  // between them.
  void setBottomPanel(MapPanel* panel);
  // A place off the map, in the screen's controls, where the bottom panel goes instead: `room` is
  // told whether the panel shows (the screen makes way for it) and answers the size it may take.
  void setPanelDock(QWidget* dock, std::function<QSize(bool shown)> room);
  // A feature's control (the map takes it over) in the column at the top right, under the
  // re-centre control, shown while its owner wants it.
  void addControl(QAbstractButton* control);
  void setControlWanted(QAbstractButton* control, bool wanted);
  // Lays out the top panel and the column of controls again (after a change of the panel).
  void placePositionControls();
  // The words a screen reader hears for the storm circle's radius; by default kilometres.
  void setRadiusWords(std::function<QString(double metres)> words);
  // Sets the user's position as "I am here" does, and shows the kilometre around it.
  void setPositionByHand(GeoPoint place);
  // Asks in a dialog over the window for a position typed as coordinates; a valid one is set as
  // "I am here" sets it.
  void askForPosition();
  // Zooms about the middle of the map, as + and - do.
  void zoomBy(double levels) { model_->zoomBy(levels); }
  // What a screen reader says of the map: its type, the storm circle (its radius as the distance
  // label gives it, and its centre) or that there is none, and whether the user's position is known.
  QString accessibleSummary() const;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  static constexpr int kMargin = 8;
  static constexpr int kNoticeMargin = 4;
  static constexpr int kControlSize = 34;
  static constexpr int kNoticePixels = 11;
  // The property of a feature's control that says whether its owner wants it on show.
  static constexpr const char* kWanted = "storm-map-control-wanted";
  // Where the notice may go: right of the scale bar, which keeps the top left corner, and left of
  // the column of controls when one shows.
  static QRect noticeRoom(const QWidget& map, bool besideControls);
  static QString ageWords(double seconds);
  static QString distanceWords(double metres);
  struct MeasuredNotice {
    QString text;
    int width = 0;
    int height = 0;
  };

  QString tileNoteShortText() const;
  void drawUserLocation(QPainter& painter, double dpr);
  void drawScaleBar(QPainter& painter, double dpr);
  void drawAttribution(QPainter& painter, double dpr);
  void drawNotice(QPainter& painter, double dpr);
  void drawFocusRing(QPainter& painter);
  // The lowest edge of what the top of the map shows: the re-centre control, the position notice
  // and the storm's panel.
  int topDecorationsBottom() const;
  void makePositionControls();
  // The control in the last place of a column too short for every control, with the menu of the rest.
  void makeControlMenu();
  void placeTopPanel();
  void placeBottomPanel();
  void dockBottomPanel();
  // The menu of the controls the column has no room for.
  void offerFoldedControls();
  void updatePositionControls();
  // Keeps the accessible description in step with what the map shows.
  void describeForAccessibility();
  // Gives the painters and the controls the model's look, by day or by night.
  void applyNight();
  // The menu with "I am here" for the point `at` (widget pixels), and a way to type a position.
  void offerPosition(QPoint at);
  // Tab goes from the map to its controls, the re-centre control first, and then the top panel's.
  void chainTabStops();

  MapModel* model_ = nullptr;
  MapTilePainter tiles_;
  MapOverlayPainter overlays_;
  MapFrameCache frame_;
  MapDecorations decorations_;
  // Whether the keyboard reached the map (Tab), so that it shows where the arrows and +/- go.
  bool keyboardFocus_ = false;
  std::optional<QPointF> dragFrom_;
  QTimer* longPress_ = nullptr;
  QPoint pressedAt_;
  QAbstractButton* centre_ = nullptr;
  QAbstractButton* more_ = nullptr;                  // the last place of a column too short for every control
  std::vector<QPointer<QAbstractButton>> controls_;  // the column at the top right, the re-centre control first
  QPointer<MapPanel> topPanel_;
  QPointer<MapPanel> bottomPanel_;
  QPointer<QWidget> dock_;
  std::function<QSize(bool)> dockRoom_;
  std::function<QString(double)> radiusWords_;
  QRect creditRect_;
  mutable MeasuredNotice noticeHeight_;  // for topDecorationsBottom()
  QString shownNotice_;                  // as last drawn
  bool panelOnTop_ = false;              // the top panel over the scale bar's corner, on a low map
  QPointer<QObject> positionDialog_;     // while it is open
};

}  // namespace storm::qt
