#pragma once

// Drives the Format & Publish window from a test: the window is modal, so a
// test reaches it from a timer inside its event loop.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QString>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "shell/publish_window.h"

namespace almanix::shell::testing {

// Runs act on the window once it is up.
inline void WhenOpen(std::function<void(TMC&)> act) {
  auto tries = std::make_shared<int>(0);
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [act, tries, poll] {
    if (auto* window = dynamic_cast<TMC*>(QApplication::activeModalWidget())) {
      act(*window);
      return;
    }
    if (++*tries < 500) {
      QTimer::singleShot(10, *poll);
    } else {
      ADD_FAILURE() << "the Format & Publish window did not come up";
    }
  };
  QTimer::singleShot(0, *poll);
}

// A one-line field typed into and left.
inline void Type(TMC& window, const char* name, const QString& text) {
  auto* line = window.findChild<QLineEdit*>(QString::fromLatin1(name));
  ASSERT_NE(line, nullptr) << name;
  line->selectAll();
  QTest::keyClicks(line, text);
  emit line->editingFinished();
}

// An item of a list chosen as a click would choose it.
inline void Choose(TMC& window, const char* name, const QString& item) {
  auto* list = window.findChild<QComboBox*>(QString::fromLatin1(name));
  ASSERT_NE(list, nullptr) << name;
  const int at = list->findText(item);
  ASSERT_GE(at, 0) << item.toStdString();
  list->setCurrentIndex(at);
  emit list->activated(at);
}

}  // namespace almanix::shell::testing
