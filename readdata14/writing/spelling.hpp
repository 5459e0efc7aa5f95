// How the writer spells each value so that the reader gives back the same
// bits: numbers, integers held in float slots, labels, a symbol's angle for
// its direction, and the texts the format allows. Each spelling is checked
// against the reader's own rules (ParseFloatPrefix, ReadLabelValue,
// DirectionFromAngle, ThinPoints), never against a copy of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>


namespace readdata14::writing {

// Room for any spelling below: the longest is a float in exponent form or
// a label padded by one character.
inline constexpr std::size_t SPELLING_ROOM = 40;

// Whether a float has a text that reads back to its bits: every float but a
// NaN other than the two "nan" and "-nan" give.
bool FloatSpellable(float value) noexcept;

// Writes the shortest text of a spellable float at `out` (SPELLING_ROOM
// bytes) and returns its end.
char* SpellFloat(float value, char* out) noexcept;

// The integer a float slot holds (a count, a code, a type, an integer
// value), when some 32-bit integer converts to exactly these bits.
std::optional<std::int32_t> IntegerOfSlot(float slot) noexcept;

// A count slot: a whole number from 0 to 2^24.
std::optional<std::size_t> CountOfSlot(float slot) noexcept;

// The label text whose label rule gives back exactly `value`, written at
// `out` (SPELLING_ROOM bytes); its end, or nothing when no text does.
char* SpellLabel(float value, char* out) noexcept;

// The angle in the file whose direction is exactly `direction`; nothing
// when no float angle gives it.
std::optional<float> AngleForDirection(float direction) noexcept;

// The direction an angle gives that lies nearest `direction` (itself when
// one gives it); nothing for a NaN no angle gives.
std::optional<float> NearestCarriedDirection(float direction) noexcept;

// Whether a point list (x, y pairs) read with as many declared points keeps
// every point: lists of up to 250 do; a longer one only when each point
// lies 1.0 or more from the one before it in x or y. Otherwise the index of
// the first point the reader would drop.
std::optional<std::size_t> FirstThinnedPoint(std::span<const float> xy) noexcept;

// Why a text cannot be written where the format puts it, or nothing when it
// can. `what` names it in the message ("the first header token").
//   A header token is one token: no white space, NUL or Ctrl-Z.
//   A symbol text is one token in which a blank stands as 0x01: no other
//   white space, no 0x01, NUL or Ctrl-Z.
//   A note text is read by its length after the white space in front of it
//   is skipped: it cannot start with white space, holds a line break only as
//   its last character, and no NUL or Ctrl-Z.
std::optional<std::string> TokenProblem(std::string_view token, std::string_view what);
std::optional<std::string> SymbolTextProblem(std::string_view text);
std::optional<std::string> NoteTextProblem(std::string_view text);

// A float in a message: its shortest text, or its bits for a NaN no text gives.
std::string ShowFloat(float value);

}  // namespace readdata14::writing
