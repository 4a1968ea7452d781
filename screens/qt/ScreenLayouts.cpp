#include "screens/qt/ScreenLayouts.h"

#include "ui_Flipside.h"
#include "ui_Main.h"

namespace storm::qt {

namespace {

template <class Form>
QWidget* build(QWidget* parent) {
  auto* root = new QWidget(parent);
  Form form;
  form.setupUi(root);
  return root;
}

}  // namespace

QWidget* buildScreenLayout(const QString& name, QWidget* parent) {
  if (name == "Main") return build<Ui::MainScreen>(parent);
  if (name == "Flipside") return build<Ui::InfoScreen>(parent);
  return nullptr;
}

}  // namespace storm::qt
