// The crop editor's undo history on its own: past its limit the oldest steps go together with the
// validated crop in force with each, so that an undo always brings back a step with its own crop.
#include "photo/crop/CropEditorHistory.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quavel {
namespace {

CropEditState stateWithZoom(double zoom)
{
    CropEditState state;
    state.zoom = zoom;
    return state;
}

// Step i has zoom 1 + i/1000; every other step was validated, on a crop of the same zoom.
CropEditorHistory historyOf(int commits)
{
    CropEditorHistory history;
    for (int i = 1; i <= commits; ++i) {
        const CropEditState state = stateWithZoom(1 + i / 1000.0);
        CropEditState validated = state;
        validated.cropValidated = true;
        history.pushCommitted();
        history.setCommitted(state, i % 2 == 0 ? std::optional(validated) : std::nullopt);
    }
    return history;
}

TEST(CropEditorHistory, TrimsTheOldestStepsWithTheirValidatedCrops)
{
    CropEditorHistory history = historyOf(CropEditorHistory::limit + 5);
    ASSERT_EQ(history.steps().size(), CropEditorHistory::limit);
    // The default state and the first five commits went; the oldest left is commit 5.
    EXPECT_DOUBLE_EQ(history.steps().first().zoom, 1.005);

    const PhotoEditJournal journal = history.forDisk(history.committed(), std::nullopt, 1);
    ASSERT_EQ(journal.history.size(), CropEditorHistory::limit);
    // Each step goes to disk under its own validated crop (or none).
    for (const CropEditState& onDisk : journal.history) {
        const int i = int(std::lround((onDisk.zoom - 1) * 1000));
        EXPECT_EQ(onDisk.cropValidated, i % 2 == 0) << i;
    }
    while (!history.steps().empty()) {
        const CropEditorHistory::Step step = history.takeLast();
        const int i = int(std::lround((step.state.zoom - 1) * 1000));
        SCOPED_TRACE(i);
        EXPECT_EQ(step.baked.has_value(), i % 2 == 0);
        if (step.baked) {
            EXPECT_DOUBLE_EQ(step.baked->zoom, step.state.zoom);
        }
    }
}

TEST(CropEditorHistory, SaysWhetherWhatItShowsChanged)
{
    CropEditorHistory history;
    EXPECT_FALSE(history.setCommitted(CropEditState {}, std::nullopt));
    EXPECT_TRUE(history.setCommitted(stateWithZoom(1.5), std::nullopt));
    EXPECT_TRUE(history.pushCommitted());
    EXPECT_FALSE(history.setSteps(history.steps(), { std::nullopt }));
    EXPECT_TRUE(history.setSteps({}, {}));
}

} // namespace
} // namespace quavel
