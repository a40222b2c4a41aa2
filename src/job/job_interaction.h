// How the conversion worker reaches the user-interface side. The worker raises its events on its
// own thread; each one becomes a hand-over that runs on the user-interface side while the worker
// waits. The desktop program implements this with Qt, the command line on the terminal.
#pragma once

#include <functional>

namespace tomeshift {

class TOutputWord;

class IJobInteraction {
 public:
  virtual ~IJobInteraction() = default;

  // A hand-over is waiting: arrange for worker.ServeHandOvers() to be called soon on the
  // user-interface thread. Called on the worker thread; must not block. (A front end whose main
  // thread sits in TOutputWord::WaitFor or StopIt may do nothing here: those serve it themselves.)
  virtual void HandOverPending(TOutputWord& worker) = 0;

  // The hand-overs themselves, run on the user-interface side while the worker waits.
  // Shows the worker's pending Msg (information) and empties it, then its position and info.
  virtual void ShowProgress(TOutputWord& worker) = 0;
  // The output file DeniedFile is in use: ask the user; set the converter's Abort to give up.
  virtual void AskDenied(TOutputWord& worker) = 0;
  // The job has ended: worker.End() says how (saved, not saved, failed, canceled), EndMessage() with
  // what, Warnings() what went wrong on the way. The last hand-over of every job.
  virtual void ShowEnd(TOutputWord& worker) = 0;
};

}  // namespace tomeshift
