#pragma once

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <vector>

// Fits a loaded screen to any window size. The layout declares, as dynamic properties:
//   on the root widget   turnWhenWide = "body"     (a column layout that becomes a row in a wide window;
//                                                   its widgets without stretch form a side column)
//   on any widget        readableWidth = 480       (its layout's content stays at most this wide, centred)
//                        hideWhenNarrow = true      (left out where the window is too narrow for it)
// On every resize the root gets its size classes as the boolean properties `wide`, `short`, `low`,
// `narrow` and `large`, which the screen's style sheet selects on (QWidget#main[short="true"] ...).

namespace storm::qt {

struct SizeClasses {
  bool wide = false;    // landscape and roomy enough for the controls beside the content
  bool short_ = false;  // too low for the full-size type
  bool low = false;     // too low even for that: the smallest type
  bool narrow = false;  // too narrow for every control of a row at its ease
  bool large = false;   // tall and broad: the main figures and controls grow, up to a readable size

  bool operator==(const SizeClasses&) const = default;
};

SizeClasses sizeClassesFor(QSize size);

// Style sheets give text sizes in pixels as drawn with the toolkit's own 9 pt application font at
// 96 dpi. These become points in proportion to the application font in use, so that type follows
// the desktop's font size and its text scaling (at the defaults the pixels come out the same).
QString withApplicationFontSizes(const QString& styleSheet);
// Sets `font` to what `pixels` would be with the 9 pt application font, likewise in proportion.
void setTextPixels(QFont& font, double pixels);
// The same for `root` and every widget in it that has a style sheet of its own.
void applyApplicationFontSizes(QWidget* root);
// The width of the side column of a wide screen `width` pixels across.
int sideColumnWidth(int width, bool large = false);

// Marks `control` as left out (hidden) for want of room, or back; the fit check names such controls.
void markLeftOutForRoom(QWidget* control, bool leftOut);
bool isLeftOutForRoom(const QWidget* control);

class ScreenFit : public QObject {
 public:
  // Watches `root` (and the widgets in it that ask for a readable width) from now on.
  static void install(QWidget* root);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit ScreenFit(QWidget* root);
  void fitRoot();
  void fitReadable(QWidget* widget);

  struct Readable {
    QPointer<QWidget> widget;
    QMargins margins;  // as the layout declares them
  };
  QPointer<QWidget> root_;
  SizeClasses classes_;
  bool classesSet_ = false;
  int columnWidth_ = -1;
  std::vector<Readable> readable_;
};

}  // namespace storm::qt
