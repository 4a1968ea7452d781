#include "system/qt/Accessibility.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QMutex>
#include <chrono>
#include <optional>

#include "system/qt/BusConversation.h"
#include "system/qt/BusLink.h"

namespace storm::qt {

namespace {

constexpr const char* kRoleProperty = "accessibleRole";
constexpr size_t kEventsKept = 20;

// How long each bus may take over its part: a working one answers in milliseconds.
constexpr std::chrono::milliseconds kBusBound(2000);
// An address of no transport, which the bridge's connection gives up on at once, without a word.
constexpr const char* kNoBus = "none:";
constexpr const char* kA11yService = "org.a11y.Bus";
constexpr const char* kA11yPath = "/org/a11y/bus";

// Whether the session bus's accessibility service says assistive technology is wanted, as the
// bridge asks it; why not when it cannot say in time (an error, such as no such service, is a no).
QString accessibilityWanted(BusConversation& session, bool* wanted) {
  *wanted = qEnvironmentVariableIsSet("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
  for (const char* property : {"ScreenReaderEnabled", "IsEnabled"}) {
    if (*wanted) break;
    BusConversation::Reply reply;
    const QString why = session.call(kA11yService, kA11yPath, "org.freedesktop.DBus.Properties", "Get",
                                     {"org.a11y.Status", property}, &reply);
    if (why.contains("does not answer") || why.contains("closed")) return why;
    *wanted = why.isEmpty() && BusConversation::booleanOf(reply);
  }
  return {};
}

// Why the bridge would hang or fall on the buses it is about to use; empty when they answer.
QString accessibilityBusTrouble() {
  if (const QString given = qEnvironmentVariable("AT_SPI_BUS_ADDRESS"); !given.isEmpty()) {
    const QString why = BusConversation(given, kBusBound).hello();
    return why.isEmpty() ? QString() : "the accessibility bus at " + given + ": " + why;
  }
  const QString address = BusLink::sessionBusAddress();
  BusConversation session(address, kBusBound);
  if (const QString why = session.hello(); !why.isEmpty()) return "the session bus: " + why;
  bool wanted = false;
  if (!session.spoken()) return {};
  if (const QString why = accessibilityWanted(session, &wanted); !why.isEmpty())
    return "the accessibility service on the session bus: " + why;
  if (!wanted) return {};
  BusConversation::Reply reply;
  if (const QString why = session.call(kA11yService, kA11yPath, kA11yService, "GetAddress", {}, &reply); !why.isEmpty())
    return "the accessibility service on the session bus: " + why;
  const QString a11y = BusConversation::stringOf(reply);
  const QString why = BusConversation(a11y, kBusBound).hello();
  return why.isEmpty() ? QString() : "the accessibility bus at " + a11y + ": " + why;
}

class RoleAccessible : public QAccessibleWidget {
 public:
  RoleAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    if (auto* button = qobject_cast<QAbstractButton*>(widget()); button && role() == QAccessible::RadioButton) {
      state.checkable = true;
      state.checked = button->isChecked();
    }
    return state;
  }
  QStringList actionNames() const override {
    QStringList names = QAccessibleWidget::actionNames();
    if (qobject_cast<QAbstractButton*>(widget())) names.prepend(pressAction());
    return names;
  }
  void doAction(const QString& action) override {
    if (auto* button = qobject_cast<QAbstractButton*>(widget()); button && action == pressAction())
      button->click();
    else
      QAccessibleWidget::doAction(action);
  }
};

QAccessibleInterface* roleFactory(const QString&, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (!widget) return nullptr;
  const QString role = widget->property(kRoleProperty).toString();
  if (role == "alert") return new RoleAccessible(widget, QAccessible::AlertMessage);
  if (role == "notification") return new RoleAccessible(widget, QAccessible::Notification);
  if (role == "link") return new RoleAccessible(widget, QAccessible::Link);
  if (role == "radio") return new RoleAccessible(widget, QAccessible::RadioButton);
  if (role == "group") return new RoleAccessible(widget, QAccessible::Grouping);
  return nullptr;
}

QMutex logLock;
std::deque<AccessibilityEvent> logged;
bool logging = false;  // only in automation mode (set once, before events flow)
QAccessible::UpdateHandler forward = nullptr;

QString typeOf(QAccessibleEvent* event) {
  switch (event->type()) {
    case QAccessible::Focus: return "focus";
    case QAccessible::NameChanged: return "name-changed";
    case QAccessible::DescriptionChanged: return "description-changed";
    case QAccessible::ObjectShow:
      if (QAccessibleInterface* face = event->accessibleInterface(); face && face->role() == QAccessible::AlertMessage)
        return "alert";
      return {};
    default: return {};
  }
}

// Qt's bridge sends a new name or description with the object itself where the new words belong;
// Orca 43 takes the object for the focused control's words and fails to speak them. The focused
// button's new title and the focused control's new description (a field's error) are said as an
// announcement instead, with nothing stale left behind: Orca asks for names anew each time.
bool saidAsAnnouncement(QAccessibleEvent* event) {
  const bool renamed = event->type() == QAccessible::NameChanged;
  if ((!renamed && event->type() != QAccessible::DescriptionChanged) || !QAccessible::isActive()) return false;
  auto* widget = qobject_cast<QWidget*>(event->object());
  QAccessibleInterface* face = event->accessibleInterface();
  if (!widget || !face || widget != QApplication::focusWidget() || (renamed && !qobject_cast<QAbstractButton*>(widget)))
    return false;
  if (Announcer* announcer = Announcer::of(widget->window(), "focus"))
    announcer->announce(face->text(renamed ? QAccessible::Name : QAccessible::Description));
  return true;
}

void record(QAccessibleEvent* event) {
  const QString type = logging ? typeOf(event) : QString();
  if (!type.isEmpty()) {
    QAccessibleInterface* face = event->accessibleInterface();
    QObject* object = event->object();
    QString text = face ? face->text(QAccessible::Name) : QString();
    if (type == "description-changed" && face) text = face->text(QAccessible::Description);
    const QMutexLocker lock(&logLock);
    logged.push_back({type, object ? object->objectName() : QString(), text});
    while (logged.size() > kEventsKept) logged.pop_front();
  }
  if (saidAsAnnouncement(event)) return;
  if (forward) {
    forward(event);
  } else {
    // Qt hands an event to the platform's bridge only while no handler is installed: stepping
    // aside for the one event passes it on as Qt would have (events come on the GUI thread only).
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(record);
  }
}

}  // namespace

namespace {
// The bus address the environment had before the bridge was pointed at none.
std::optional<QByteArray> givenAddress;
}  // namespace

QString guardAccessibilityBus() {
  // Platforms without a bridge (offscreen, minimal) use no bus.
  const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
  if (platform.startsWith("offscreen") || platform.startsWith("minimal")) return {};
  const QString why = accessibilityBusTrouble();
  if (!why.isEmpty()) {
    givenAddress = qgetenv("AT_SPI_BUS_ADDRESS");
    qputenv("AT_SPI_BUS_ADDRESS", kNoBus);
  }
  return why;
}

void startAccessibilityBridge() {
  (void)QAccessible::isActive();  // the platform's bridge starts here and reads the address
  if (!givenAddress) return;
  if (givenAddress->isEmpty())
    qunsetenv("AT_SPI_BUS_ADDRESS");
  else
    qputenv("AT_SPI_BUS_ADDRESS", *givenAddress);
  givenAddress.reset();
}

void installAccessibleRoles() {
  static const bool installed =
      (QAccessible::installFactory(roleFactory), forward = QAccessible::installUpdateHandler(record), true);
  (void)installed;
}

void tellShowing(QWidget* root, bool showing) {
  if (!root || !QAccessible::isActive()) return;
  for (QWidget* widget : root->findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(root)) continue;
    QAccessibleEvent event(widget, showing ? QAccessible::ObjectShow : QAccessible::ObjectHide);
    QAccessible::updateAccessibility(&event);
  }
}

Announcer* Announcer::of(QWidget* window, const QString& channel) {
  if (!window) return nullptr;
  const QString name = "announcer-" + channel;
  for (QObject* child : window->children())
    if (child->objectName() == name) return static_cast<Announcer*>(child);
  auto* announcer = new Announcer(window);
  announcer->setObjectName(name);
  return announcer;
}

Announcer::Announcer(QWidget* window) : QWidget(window) {
  installAccessibleRoles();
  setProperty(kRoleProperty, "alert");
  notification_ = new QWidget(window);
  notification_->setProperty(kRoleProperty, "notification");
  for (QWidget* face : {static_cast<QWidget*>(this), notification_}) {
    face->setAttribute(Qt::WA_TransparentForMouseEvents);
    face->setFocusPolicy(Qt::NoFocus);
    face->setGeometry(0, 0, 1, 1);  // drawn as nothing
    face->hide();
  }
}

void Announcer::announce(const QString& text) {
  if (text.isEmpty()) return;
  for (QWidget* face : {static_cast<QWidget*>(this), notification_}) {
    face->hide();
    face->setAccessibleName(text);
    face->show();
  }
}

void AccessibilityLog::install() {
  installAccessibleRoles();
  logging = true;
}

std::deque<AccessibilityEvent> AccessibilityLog::events() {
  const QMutexLocker lock(&logLock);
  return logged;
}

}  // namespace storm::qt
