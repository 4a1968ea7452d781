#pragma once

#include <QString>
#include <QWidget>

// The screens' layouts: Qt Designer files (Main.ui, Flipside.ui) compiled by uic, so that start-up
// parses no XML.

namespace storm::qt {

// Builds the widgets of the layout `name` under `parent`; nothing for an unknown name.
QWidget* buildScreenLayout(const QString& name, QWidget* parent);

}  // namespace storm::qt
