// The main of a benchmark that drives Qt widgets: Qt's offscreen platform unless QT_QPA_PLATFORM
// names another, the application object, and the editor's Qt platform installed before any
// document exists.
//   int main(int argc, char** argv) { return synt::bench::RunQtBenchmarks(argc, argv); }
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>

#include "qt/qt_platform.h"

namespace synt::bench {

inline int RunQtBenchmarks(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  TQtPlatform platform;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace synt::bench
