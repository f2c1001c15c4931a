// The converter window's batch without widgets: main settings, the options dialog, a scripted
// view and a controller whose engine opens the generated fixtures for real. Jobs run the steered
// runs of the component tests unless a test gives the engine's pipeline back.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "component_test_util.h"
#include "core/additional_options.h"
#include "core/batch/batch_controller.h"
#include "core/main_settings.h"
#include "quorbel/fixtures.h"
#include "scripted_view.h"

namespace quorbel::app::testing {

using fixtures::Fixture;
using quorbel::testing::InspectableTranscoder;
using quorbel::testing::ScratchFolder;
using quorbel::testing::ScriptedRuns;
using quorbel::testing::Steps;

class BatchTest : public ::testing::Test {
 protected:
  BatchTest() {
    auto transcoder = std::make_unique<InspectableTranscoder>();
    engine = transcoder.get();
    controller = std::make_unique<BatchController>(main, dialog, view, std::move(transcoder));
  }

  void SetUp() override {
    ASSERT_TRUE(controller->LoadEngineLibraries(""));
    engine->SetJobRunner(runs.Runner());
    ASSERT_TRUE(main.SelectOutputFormat("WAV - Waveform Audio (*.wav)"));
    main.EditOutputFolder = folder.Path("");
  }

  // The add-files step with these files chosen in the open dialog.
  void AddFiles(const std::vector<Fixture>& files) {
    view.chosenFiles.clear();
    for (const Fixture file : files) view.chosenFiles.push_back(fixtures::Path(file));
    controller->ButtonAddFileClick();
  }
  std::vector<std::string> Cells(SourceCell cell) const {
    std::vector<std::string> texts;
    for (const SourceRow& row : controller->Rows()) texts.push_back(row.Cells[cell]);
    return texts;
  }
  // Pumps the user-interface thread until cell `cell` of `row` reads `text`.
  void RunUntilCell(int row, SourceCell cell, const std::string& text) {
    view.RunUntil(*controller, [&] { return controller->Rows()[row].Cells[cell] == text; });
  }

  ScratchFolder folder;
  ScriptedRuns runs;
  MainSettings main;
  AdditionalOptions dialog{main};
  ScriptedView view;
  InspectableTranscoder* engine = nullptr;
  // Last, so that it goes first: the engine's threads end before anything they report to.
  std::unique_ptr<BatchController> controller;
};

}  // namespace quorbel::app::testing
