#pragma once

#include <QAbstractButton>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "map/qt/MapLayer.h"
#include "storm/StormPicture.h"
#include "storm/qt/StormTrackLayer.h"

// The storm's layer of the main screen's map: the rings of earlier strikes, drawn under the map's
// overlays as a thin dark red line between faint light ones (visible on imagery as on streets),
// the strikes placed by their direction and the storm's track over them (StormTrackLayer), the
// storm's panel at the top of the map with the question for the direction of the last flash
// (answered through BearingPrompt), and the fit of the map to the whole storm, which a control of
// the map (and the panel, after the second strike) offers.

namespace storm::qt {

class BearingPanel;
class BearingPrompt;
class MapWidget;
class StormPanelWidget;

class StormLayer : public StormMapLayer, public MapLayer {
 public:
  // Draws on `map` from now on; `held` as with hold().
  explicit StormLayer(MapWidget* map, bool held = false);
  ~StormLayer() override;
  StormLayer(const StormLayer&) = delete;
  StormLayer& operator=(const StormLayer&) = delete;

  void setStrikeRings(std::vector<StrikeRing> rings) override;
  void setStormPanel(const StormPanel& panel) override;
  void setStormRegion(std::optional<GeoRegion> region) override;
  void setCirclePast(bool past) override;
  void setStrikeMarks(std::vector<StrikeMark> marks) override;
  void setStormTrack(std::optional<TrackPicture> track) override;
  bool circlePast() const;
  // Fits the map to every circle of the last hour's strikes (their rings and the main circle).
  bool showStorm();
  // What the panel's Undo does.
  void setUndo(std::function<void()> undo);
  // What a direction given for the flash asked about does: the strike, degrees, how it was given.
  void setBearingHandler(std::function<void(double strikeTime, double degrees, BearingSource source)> handler);
  // The screen the map is on: the question takes keys only there, not from a screen over it.
  void setKeyScope(QWidget* screen);
  // The question for the direction of a flash is on show (not let go, not held).
  bool askingBearing() const;
  const StormTrackLayer& trackLayer() const { return trackLayer_; }
  // What the layer shows, or will show once released.
  const std::vector<StrikeRing>& strikeRings() const { return held_ ? held_->rings : rings_; }
  StormPanel stormPanel() const { return held_ ? held_->panel : panel_; }
  // While held, rings and panel are kept (and read back) but neither laid out nor drawn; releasing
  // shows the latest. The application holds them until its window's first frame is on screen, so
  // that a storm read back from the log never delays it.
  void hold(bool held);

  QRectF extent(const MapLayerFrame& frame) const override;
  void paint(QPainter& painter, const MapLayerFrame& frame, QPointF origin) const override;

 private:
  // Hands the map the panel and its control for the whole storm.
  void showOnMap();
  // The question for a flash's direction: its panel at the map's foot and what answers it.
  void makeQuestion();

  struct RingEntry {
    StrikeRing ring;
    std::vector<QPointF> points;  // in world units
    QRectF bounds;                // the points', in world units
  };
  struct Held {
    std::vector<StrikeRing> rings;
    StormPanel panel;
    std::vector<StrikeMark> marks;
    std::optional<TrackPicture> track;
  };

  QPointer<MapWidget> map_;
  QPointer<StormPanelWidget> panelWidget_;
  QPointer<BearingPanel> bearingPanel_;
  QPointer<QAbstractButton> showStorm_;  // the map's control for showStorm()
  std::vector<StrikeRing> rings_;
  std::vector<RingEntry> entries_;  // one per ring drawn, as given
  StormPanel panel_;
  std::optional<Held> held_;
  std::optional<GeoRegion> region_;
  StormTrackLayer trackLayer_;
  std::unique_ptr<BearingPrompt> prompt_;
  std::function<void(double, double, BearingSource)> bearingHandler_;
  QPointer<QWidget> keyScope_;
  std::optional<double> dismissedAsk_;  // the strike whose question was let go
  std::optional<double> announcedAsk_;  // the strike whose question was last spoken
};

}  // namespace storm::qt
