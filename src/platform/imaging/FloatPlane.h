#pragma once

#include <memory>

namespace quavel {

// One channel of float32 samples, width × height, rows packed one after the other. Implicitly shared:
// copies share the samples, and a write through a non-const accessor first detaches a shared plane.
// Copying and reading are safe from any thread; one object is not written from two threads at once.
class FloatPlane
{
public:
    FloatPlane() = default;
    // Samples are left uninitialised: every producer writes each one.
    FloatPlane(int width, int height);
    static FloatPlane filled(int width, int height, float value);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isNull() const { return !m_data; }

    const float* constData() const { return m_data.get(); }
    const float* data() const { return m_data.get(); }
    float* data();
    const float* row(int y) const { return m_data.get() + std::size_t(y) * std::size_t(m_width); }
    float* row(int y) { return data() + std::size_t(y) * std::size_t(m_width); }

    bool sharesDataWith(const FloatPlane& other) const { return m_data && m_data == other.m_data; }

    // Gives the memory of rows [y0, y1) back to the system: a rendering that has read them for the last
    // time lets them go while it still writes elsewhere. Their samples are undefined afterwards (they
    // read as zero until written again). Only the whole pages inside those rows of a photo-sized plane go,
    // and only when no other plane shares the samples (false, nothing done, otherwise). Not while
    // another thread reads those rows.
    bool releaseRows(int y0, int y1);

private:
    std::shared_ptr<float[]> m_data;
    int m_width = 0;
    int m_height = 0;
};

} // namespace quavel
