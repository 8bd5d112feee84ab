#pragma once

// The crop editor on a real photo in a shown window, over a real editor model, with every callback it
// reports counted: the builder of the editor's widget tests.
#include "PhotoPictures.h"
#include "RetouchTestSupport.h"
#include "common/TestSupport.h"

#include "photo/crop/CropEditorModel.h"
#include "photo/views/PhotoCropEditorView.h"
#include "ui/WindowMoveLock.h"

#include <QFile>
#include <QPointer>

#include <gtest/gtest.h>

#include <memory>

namespace quavel::test {

// A folder with a photo of the arena (and, on demand, a watermark), an editor model opened on it and
// the editor shown in a window, with every callback counted.
class EditorFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WindowMoveLock::resetForTesting();
        photo = writePhoto(folder.file(QStringLiteral("IMG_3413.jpg")), arenaPhoto(QSize(900, 600)), 1, 92);
    }
    void TearDown() override
    {
        window.reset(); // and the editor with it
        // Writes captured on the way out finish before the folder goes.
        EXPECT_TRUE(waitForPhotoWork());
    }

    QString watermark()
    {
        const QString path = folder.file(QStringLiteral("filigrane.png"));
        return QFile::exists(path) ? path : writeLetteredWatermark(path, QSize(800, 150));
    }

    PhotoCropEditorView& open(const QString& path, const std::optional<QString>& mark = std::nullopt,
        const PhotoRetouchSettings& preset = {})
    {
        model.open(path, mark, preset);
        window = std::make_unique<TestWindow>();
        window->resize(1200, 620);
        PhotoCropEditorView::Callbacks callbacks;
        callbacks.onSaved = [this](const QString& p) { saved << p; };
        callbacks.onClose = [this] { ++closes; };
        callbacks.onSavePreset = [this](const PhotoRetouchSettings& s) { presets << s; };
        view = window->hold(new PhotoCropEditorView(&model, preset, callbacks));
        window->open();
        return *view;
    }

    bool loaded()
    {
        return waitUntil([this] { return view->showsCanvas(); }, 10000);
    }

    TempFolder folder;
    QString photo;
    CropEditorModel model;
    std::unique_ptr<TestWindow> window;
    QPointer<PhotoCropEditorView> view;
    QStringList saved;
    int closes = 0;
    QList<PhotoRetouchSettings> presets;
};

} // namespace quavel::test
