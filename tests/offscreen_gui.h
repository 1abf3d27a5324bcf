// A QGuiApplication on the offscreen platform for the whole test program, for tests of plain
// drawing that need fonts but no window.
#pragma once

#include <gtest/gtest.h>

#include <QGuiApplication>

class OffscreenGui : public ::testing::Environment {
  public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test";
        static char* argv[] = {name, nullptr};
        app_ = new QGuiApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

  private:
    QGuiApplication* app_ = nullptr;
};
