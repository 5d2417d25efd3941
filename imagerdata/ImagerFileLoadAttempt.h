#pragma once
// One reader's attempt at a file. It starts by clearing the procedure and,
// unless the reader accepts the file, clears it again when it ends, so that a
// refused or failed attempt leaves no frames for the next reader or caller.

#include "imagerdata/ImagerProcedure.h"

namespace kestrava {

class TImagerFileLoadAttempt {
public:
  explicit TImagerFileLoadAttempt(TImagerProcedure& Procedure) : Procedure_(Procedure) {
    Procedure_.Clear();
  }
  TImagerFileLoadAttempt(const TImagerFileLoadAttempt&) = delete;
  TImagerFileLoadAttempt& operator=(const TImagerFileLoadAttempt&) = delete;
  ~TImagerFileLoadAttempt() {
    if (!Accepted_) {
      Procedure_.Clear();
    }
  }

  // The file was of this format and is loaded: keep the frames. Returns true
  // so that readers can end with `return Attempt.Accept();`.
  bool Accept() {
    Accepted_ = true;
    return true;
  }

private:
  TImagerProcedure& Procedure_;
  bool Accepted_ = false;
};

} // namespace kestrava
