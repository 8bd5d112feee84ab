#pragma once

// The application's own temporary files left by an earlier process that was killed (a save, a copy,
// an import cut short), removed once at start by the instance that keeps running, before any store is
// made. Only the patterns and folders the subsystems register are looked at (TemporarySweep): the
// application's own folders, and the rider folders of the organiser's destinations; a file a living
// writer holds is never removed.
//
// A subsystem with temporary files of its own gives them a registration function that calls
// TemporarySweep::add for each folder and name test, and lists it in run().
namespace quavel::StartupSweep {

// Registers every subsystem's temporary files, then sweeps; returns how many files went.
int run();

} // namespace quavel::StartupSweep
