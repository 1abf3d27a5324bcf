// The fixture of the window tests: a viewer started for each test with a temporary folder and
// scripted answers, and closed with its windows after it.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QMdiArea>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "document_manager.h"
#include "gui_support.h"
#include "histavue_app.h"
#include "histavue_view.h"
#include "main_frame.h"

class AppTest : public ::testing::Test {
  protected:
    void SetUp() override { StartApp({"histavue"}); }
    void TearDown() override {
        if (app == nullptr)
            return;
        app->MainFrame()->MdiArea()->closeAllSubWindows();
        Settle();
        app.reset();
        Settle();
    }
    void StartApp(const QStringList& arguments) {
        ASSERT_TRUE(dir.isValid());
        app = std::make_unique<CHistavueApp>();
        ASSERT_TRUE(app->InitInstance(arguments));
    }
    // Writes text as the record file r.csv of the folder, opens it and returns the active view.
    CHistavueView* OpenRecords(const std::string& text) {
        const QString path = dir.path() + "/r.csv";
        EXPECT_TRUE(WriteRecordFile(path, text));
        app->Documents()->OpenDocumentFile(path);
        return app->MainFrame()->ActiveView();
    }
    void Run(int command) { app->MainFrame()->Action(command)->trigger(); }

    QTemporaryDir dir;
    std::unique_ptr<CHistavueApp> app;
    FakeUi ui;
};
