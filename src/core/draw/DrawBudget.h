#pragma once
// The work a picture may cost, in units counted by the renderer itself (points transformed,
// pixels touched, scanline edges visited), never by a clock: the same file gives the same
// pixels on every machine, however loaded. About one second of drawing on the machine it was
// measured on; the fuzz build lowers it so that the budget's paths are reached in
// milliseconds.
#include <cstdint>

#ifndef ORTHOLUX_DRAW_BUDGET
#define ORTHOLUX_DRAW_BUDGET 120000000
#endif

class DrawBudget {
  public:
    explicit DrawBudget(int64_t units = ORTHOLUX_DRAW_BUDGET) : left_(units) {}

    // Takes `units`; false (and nothing taken) once they are no longer there.
    bool Take(int64_t units) {
        if (units > left_) {
            ranOut_ = true;
            return false;
        }
        left_ -= units;
        return true;
    }
    int64_t Left() const { return left_; }
    bool RanOut() const { return ranOut_; }

  private:
    int64_t left_;
    bool ranOut_ = false;
};
