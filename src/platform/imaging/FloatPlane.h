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

private:
    std::shared_ptr<float[]> m_data;
    int m_width = 0;
    int m_height = 0;
};

} // namespace quavel
