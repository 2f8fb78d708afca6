#include "platform/key_decoder.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/scan_codes.h"

namespace zem::platform {

void PrintTo(const InputEvent& e, std::ostream* os) {
  if (e.kind == InputEvent::Kind::kMousePress) {
    *os << "mouse(button " << e.button << ", row " << e.row << ", column " << e.column << ")";
  } else {
    *os << "key(ch " << int(e.ch) << ", scan 0x" << std::hex << int(e.scan) << ", control "
        << std::dec << e.control << ")";
  }
}

namespace {

using Events = std::vector<InputEvent>;

// Everything the bytes decode to once every delay has passed.
Events DecodeAll(std::string_view bytes) {
  KeyDecoder decoder;
  decoder.Feed(bytes, 0);
  Events events;
  InputEvent event;
  while (decoder.Next(&event, 10000)) events.push_back(event);
  return events;
}

InputEvent Key(uint8_t scan_code, uint16_t control = 0) {
  return InputEvent::Key(0, scan_code, control);
}
InputEvent Char(uint8_t ch, uint8_t scan_code = 0, uint16_t control = 0) {
  return InputEvent::Key(ch, scan_code, control);
}

struct DecodeCase {
  const char* name;
  std::string bytes;
  Events expected;
};

class DecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, DecodesSequence) {
  EXPECT_EQ(DecodeAll(GetParam().bytes), GetParam().expected) << GetParam().name;
}

const DecodeCase kDecodeCases[] = {
    // Cursor keys in normal and application mode.
    {"up_csi", "\x1b[A", {Key(scan::kUp)}},
    {"up_ss3", "\x1bOA", {Key(scan::kUp)}},
    {"down_right_left",
     "\x1b[B\x1b[C\x1b[D",
     {Key(scan::kDown), Key(scan::kRight), Key(scan::kLeft)}},
    {"ctrl_left", "\x1b[1;5D", {Key(scan::kLeft, kLeftCtrl)}},
    {"ctrl_right", "\x1b[1;5C", {Key(scan::kRight, kLeftCtrl)}},
    {"ctrl_home", "\x1b[1;5H", {Key(scan::kHome, kLeftCtrl)}},
    {"home_end_csi", "\x1b[H\x1b[F", {Key(scan::kHome), Key(scan::kEnd)}},
    {"home_end_ss3", "\x1bOH\x1bOF", {Key(scan::kHome), Key(scan::kEnd)}},
    {"home_end_vt",
     "\x1b[1~\x1b[4~\x1b[7~\x1b[8~",
     {Key(scan::kHome), Key(scan::kEnd), Key(scan::kHome), Key(scan::kEnd)}},
    {"ins_del_pages",
     "\x1b[2~\x1b[3~\x1b[5~\x1b[6~",
     {Key(scan::kIns), Key(scan::kDel), Key(scan::kPgUp), Key(scan::kPgDn)}},
    {"keypad5", "\x1b[E\x1bOE\x1b[G", {Key(scan::kPad5), Key(scan::kPad5), Key(scan::kPad5)}},
    // Function keys as xterm, tmux and the Linux console send them.
    {"f1_to_f4_ss3",
     "\x1bOP\x1bOQ\x1bOR\x1bOS",
     {Key(scan::kF1), Key(scan::kF1 + 1), Key(scan::kF1 + 2), Key(scan::kF1 + 3)}},
    {"f1_linux", "\x1b[[A", {Key(scan::kF1)}},
    {"f5_linux", "\x1b[[E", {Key(scan::kF1 + 4)}},
    {"f1_rxvt", "\x1b[11~", {Key(scan::kF1)}},
    {"f5_f6_f10",
     "\x1b[15~\x1b[17~\x1b[21~",
     {Key(scan::kF1 + 4), Key(scan::kF1 + 5), Key(scan::kF1 + 9)}},
    {"f11_f12", "\x1b[23~\x1b[24~", {Key(scan::kF11), Key(scan::kF12)}},
    {"shift_f1", "\x1b[1;2P", {Key(scan::kF1, kShift)}},
    {"ctrl_f4", "\x1b[1;5S", {Key(scan::kF1 + 3, kLeftCtrl)}},
    {"alt_f4", "\x1b[1;3S", {Key(scan::kF1 + 3, kLeftAlt)}},
    {"ctrl_f5", "\x1b[15;5~", {Key(scan::kF1 + 4, kLeftCtrl)}},
    {"shift_f12", "\x1b[24;2~", {Key(scan::kF12, kShift)}},
    {"ctrl_shift_f1", "\x1b[1;6P", {Key(scan::kF1, kShift | kLeftCtrl)}},
    {"meta_counts_as_alt", "\x1b[1;9P", {Key(scan::kF1, kLeftAlt)}},
    {"shift_f1_ss3_modifier", "\x1bO2P", {Key(scan::kF1, kShift)}},
    {"rxvt_ctrl_and_shift",
     "\x1b[11^\x1b[11$",
     {Key(scan::kF1, kLeftCtrl), Key(scan::kF1, kShift)}},
    {"alt_prefix_on_sequence", "\x1b\x1b[A", {Key(scan::kUp, kLeftAlt)}},
    // Shift+Tab and the keys with a character.
    {"shift_tab", "\x1b[Z", {Char(0, scan::kTab, kShift)}},
    {"tab", "\t", {Char(9, scan::kTab)}},
    {"enter", "\r", {Char(13, scan::kEnter)}},
    {"backspace_del_byte", "\x7f", {Char(8, scan::kBackspace)}},
    {"backspace_bs_byte", "\x08", {Char(8, scan::kBackspace)}},
    {"ctrl_c_v_y_b",
     "\x03\x16\x19\x02",
     {Char(3, scan::Letter('c'), kLeftCtrl), Char(22, scan::Letter('v'), kLeftCtrl),
      Char(25, scan::Letter('y'), kLeftCtrl), Char(2, scan::Letter('b'), kLeftCtrl)}},
    {"plain_text", "aZ 9", {Char('a'), Char('Z'), Char(' ', scan::kSpace), Char('9')}},
    // Alt + letter arrives as ESC and the letter.
    {"alt_x", "\x1bx", {Key(scan::Letter('x'), kLeftAlt)}},
    {"alt_c",
     "\x1b"
     "c",
     {Key(scan::Letter('c'), kLeftAlt)}},
    {"alt_shift_x", "\x1bX", {Key(scan::Letter('x'), kLeftAlt | kShift)}},
    {"alt_enter", "\x1b\r", {Char(13, scan::kEnter, kLeftAlt)}},
    {"alt_o_alone", "\x1bO", {Key(scan::Letter('o'), kLeftAlt | kShift)}},
    {"esc_alone", "\x1b", {Char(27, scan::kEsc)}},
    {"esc_twice", "\x1b\x1b", {Char(27, scan::kEsc), Char(27, scan::kEsc)}},
    // UTF-8 in, code page 850 out; characters without a byte there are ignored.
    {"e_acute", "\xc3\xa9", {Char(0x82)}},
    {"c_cedilla_a_grave_n_tilde", "\xc3\xa7\xc3\xa0\xc3\xb1", {Char(0x87), Char(0x85), Char(0xa4)}},
    {"middle_dot", "l\xc2\xb7l", {Char('l'), Char(0xfa), Char('l')}},
    {"euro_ignored",
     "a\xe2\x82\xac"
     "b",
     {Char('a'), Char('b')}},
    {"malformed_utf8_dropped", "\xc3(", {Char('(')}},
    {"alt_e_acute", "\x1b\xc3\xa9", {Char(0x82, 0, kLeftAlt)}},
    // Mouse reports.
    {"sgr_left_press", "\x1b[<0;10;5M", {InputEvent::Mouse(1, 5, 10)}},
    {"sgr_right_press", "\x1b[<2;80;25M", {InputEvent::Mouse(2, 25, 80)}},
    {"sgr_middle_press", "\x1b[<1;3;4M", {InputEvent::Mouse(3, 4, 3)}},
    {"sgr_release_ignored", "\x1b[<0;10;5m", {}},
    {"sgr_wheel_and_motion_ignored", "\x1b[<64;10;5M\x1b[<32;10;5M", {}},
    {"classic_mouse",
     std::string("\x1b[M") + char(32) + char(32 + 12) + char(32 + 7),
     {InputEvent::Mouse(1, 7, 12)}},
    // Noise that is not a key is dropped without swallowing what follows.
    {"focus_report_dropped", "\x1b[Ia", {Char('a')}},
    {"device_reply_dropped", "\x1b[?1;2cb", {Char('b')}},
    {"unknown_tilde_dropped", "\x1b[99~x", {Char('x')}},
    {"broken_sequence_dropped",
     std::string("\x1b[1;") + '\x01' + "z",
     {Char(1, scan::Letter('a'), kLeftCtrl), Char('z')}},
    {"modify_other_keys_ctrl_a", "\x1b[27;5;97~", {Char(1, scan::Letter('a'), kLeftCtrl)}},
    {"ctrl_enter_is_line_feed",
     "\x1b[27;5;13~\n",
     {Char(10, scan::kEnter, kLeftCtrl), Char(10, scan::kEnter, kLeftCtrl)}},
    {"csi_u_alt_x", "\x1b[120;3u", {Key(scan::Letter('x'), kLeftAlt)}},
};

INSTANTIATE_TEST_SUITE_P(Sequences, DecodeTest, testing::ValuesIn(kDecodeCases),
                         [](const testing::TestParamInfo<DecodeCase>& info) {
                           return std::string(info.param.name);
                         });

// Alt + digits spell a character code; the run ends at another key or after a pause.
struct AltDigitCase {
  const char* name;
  std::string bytes;
  Events expected;
};

class AltDigitTest : public testing::TestWithParam<AltDigitCase> {};

TEST_P(AltDigitTest, CollectsCode) {
  EXPECT_EQ(DecodeAll(GetParam().bytes), GetParam().expected) << GetParam().name;
}

const AltDigitCase kAltDigitCases[] = {
    {"six_five_is_A",
     "\x1b"
     "6\x1b"
     "5",
     {Char('A')}},
    {"one_three_zero_is_e_acute",
     "\x1b"
     "1\x1b"
     "3\x1b"
     "0",
     {Char(130)}},
    {"modulo_256",
     "\x1b"
     "3\x1b"
     "2\x1b"
     "1",
     {Char(321 % 256)}},
    {"ended_by_other_key",
     "\x1b"
     "6\x1b"
     "6x",
     {Char('B'), Char('x')}},
    {"zero_gives_nothing",
     "\x1b"
     "0\x1b"
     "0x",
     {Char('x')}},
    {"ended_by_sequence",
     "\x1b"
     "9\x1b"
     "7\x1b[A",
     {Char('a'), Key(scan::kUp)}},
};

INSTANTIATE_TEST_SUITE_P(Runs, AltDigitTest, testing::ValuesIn(kAltDigitCases),
                         [](const testing::TestParamInfo<AltDigitCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(KeyDecoderTiming, LoneEscWaitsForTheDelay) {
  KeyDecoder decoder;
  InputEvent event;
  decoder.Feed("\x1b", 1000);
  EXPECT_FALSE(decoder.Next(&event, 1000 + KeyDecoder::kEscapeDelayMs - 1));
  EXPECT_TRUE(decoder.Waiting());
  ASSERT_TRUE(decoder.Next(&event, 1000 + KeyDecoder::kEscapeDelayMs));
  EXPECT_EQ(event, Char(27, scan::kEsc));
  EXPECT_FALSE(decoder.Waiting());
}

TEST(KeyDecoderTiming, SequenceSplitAcrossReadsIsJoined) {
  KeyDecoder decoder;
  InputEvent event;
  decoder.Feed("\x1b[1;", 0);
  EXPECT_FALSE(decoder.Next(&event, 10));
  decoder.Feed("5D", 20);
  ASSERT_TRUE(decoder.Next(&event, 20));
  EXPECT_EQ(event, Key(scan::kLeft, kLeftCtrl));
}

TEST(KeyDecoderTiming, SplitUtf8CharacterIsJoined) {
  KeyDecoder decoder;
  InputEvent event;
  decoder.Feed("\xc3", 0);
  EXPECT_FALSE(decoder.Next(&event, 1));
  decoder.Feed("\xa7", 2);
  ASSERT_TRUE(decoder.Next(&event, 2));
  EXPECT_EQ(event, Char(0x87));
}

TEST(KeyDecoderTiming, AltDigitsWaitForThePause) {
  KeyDecoder decoder;
  InputEvent event;
  decoder.Feed(
      "\x1b"
      "6",
      0);
  EXPECT_FALSE(decoder.Next(&event, 100));
  decoder.Feed(
      "\x1b"
      "5",
      300);
  EXPECT_FALSE(decoder.Next(&event, 300));
  EXPECT_FALSE(decoder.Next(&event, 300 + KeyDecoder::kAltDigitPauseMs - 1));
  ASSERT_TRUE(decoder.Next(&event, 300 + KeyDecoder::kAltDigitPauseMs));
  EXPECT_EQ(event, Char('A'));
}

TEST(KeyDecoderTiming, ResetForgetsPendingInput) {
  KeyDecoder decoder;
  InputEvent event;
  decoder.Feed("\x1b[1;5", 0);
  decoder.Feed(
      "\x1b"
      "6",
      0);
  decoder.Reset();
  EXPECT_FALSE(decoder.Waiting());
  EXPECT_FALSE(decoder.Next(&event, 100000));
}

TEST(KeyDecoderNoise, OverlongSequenceIsDroppedNotAwaitedForever) {
  KeyDecoder decoder;
  InputEvent event;
  decoder.Feed("\x1b[" + std::string(200, '1'), 0);
  EXPECT_FALSE(decoder.Next(&event, 1));
  decoder.Feed("x", 2);
  std::vector<InputEvent> events;
  while (decoder.Next(&event, 3)) events.push_back(event);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), Char('x'));
}

}  // namespace
}  // namespace zem::platform
