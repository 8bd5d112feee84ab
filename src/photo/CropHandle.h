#pragma once

#include "photo/CropEdge.h"

namespace quavel {

// What a drag on the crop canvas manipulates: one side or corner, the whole crop, or the straightening
// angle. "No handle" is an absent optional, never a case of its own.
struct CropHandle
{
    enum class Kind { edge, move, rotate };

    Kind kind = Kind::move;
    // Meaningful for Kind::edge only.
    CropEdge side = CropEdge::left;

    static constexpr CropHandle edge(CropEdge e) { return { Kind::edge, e }; }
    static constexpr CropHandle move() { return { Kind::move, CropEdge::left }; }
    static constexpr CropHandle rotate() { return { Kind::rotate, CropEdge::left }; }

    // The case and, for an edge, the side; the unused side of move and rotate is not compared.
    friend constexpr bool operator==(const CropHandle& a, const CropHandle& b)
    {
        return a.kind == b.kind && (a.kind != Kind::edge || a.side == b.side);
    }
};

} // namespace quavel
