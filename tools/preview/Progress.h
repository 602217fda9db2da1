#pragma once
// "done/total" on standard error while a long batch run goes on, only when someone watches
// it on a terminal and standard output (the per-drawing lines, if any) goes elsewhere.
#include <cstddef>
#include <cstdint>

class Progress {
  public:
    explicit Progress(std::size_t total, bool linesOnStdout = true);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Update(std::size_t done);
    // Clears the count away, so the summary gets a clean line.
    void Finish();

  private:
    std::size_t total_;
    bool enabled_;
    bool shown_ = false;
    int64_t startMs_;  // steady clock
    int64_t lastMs_;
};
