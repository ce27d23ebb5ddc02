// What long work tells the person waiting for it, and how it learns that they want it stopped.
// The work calls these on its own thread; the display behind them decides what is shown when.
//   progress.BeginStage("Packing the Zorvel data");
//   progress.Advance(0.5, "C:\\Zorvel\\Data\\big.log");
//   progress.ThrowIfStopped();
#pragma once

#include <string>

#include "common/errors.h"

namespace tavisto::os {

// Raised by work that stopped because the person asked it to.
class Cancelled : public Error {
 public:
  Cancelled() : Error("The work was cancelled") {}
};

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // A new stage of the work, in words a customer understands: its bar starts empty and its
  // time estimate afresh.
  virtual void BeginStage(const std::string& what) = 0;
  // Changes the words of the current stage, keeping its bar and estimate.
  virtual void Describe(const std::string& what) = 0;
  // How far the current stage has come (0 to 1) and the item being read ("" for none).
  virtual void Advance(double fraction, const std::string& item) = 0;
  // Whether a stop was asked for; it stays asked once it was. Cheap enough to call often,
  // and a chance for the display to keep up while work that has nothing to report goes on.
  [[nodiscard]] virtual bool StopRequested() = 0;
  // While the work waits for something it cannot estimate (an outside program with a time
  // limit), the time line says what it waits for instead; "" gives the estimate back.
  virtual void Waiting(const std::string& what) { (void)what; }

  void ThrowIfStopped() {
    if (StopRequested()) throw Cancelled();
  }
};

// For work nobody watches: shows nothing, never stops.
class NoProgress final : public ProgressSink {
 public:
  void BeginStage(const std::string&) override {}
  void Describe(const std::string&) override {}
  void Advance(double, const std::string&) override {}
  [[nodiscard]] bool StopRequested() override { return false; }
};

}  // namespace tavisto::os
