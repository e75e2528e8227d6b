#include "shell/message_box_notifier.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/modal_spy.h"
#include "support/win32_messages.h"

// Enter on export's overwrite question keeps the file: いいえ is the default.
TEST(MessageBoxNotifierTest, EnterOnTheOverwriteQuestionAnswersNo) {
  DrainMessages();
  MessageBoxNotifier notifier;
  ModalSpy spy(L"警告", [](HWND) { ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_RETURN, 0); },
               ModalSpy::kCancelAfter);
  EXPECT_FALSE(notifier.AskYesNo(OverwriteQuestion(u"C:\\out.csv")));
  EXPECT_TRUE(spy.Acted());
  EXPECT_FALSE(spy.Forced());
}

// A box nobody asked for (a timer's) comes above the program in front, which
// Windows' foreground lock would otherwise keep in front of it. Wine's
// message box ignores MB_TOPMOST and MB_SETFOREGROUND, so the style given is
// what is checked.
TEST(MessageBoxNotifierTest, ABoxNobodyAskedForIsTopmostAndAsksForTheForeground) {
  struct StyleOfEachBox : MessageBoxNotifier {
    int Box(HWND, const wchar_t*, const wchar_t*, UINT style) override {
      styles.push_back(style);
      return IDNO;
    }
    std::vector<UINT> styles;
  } boxes;
  boxes.Show(kAlreadyRunning);
  boxes.AskYesNo(OverwriteQuestion(u"C:\\out.csv"));
  {
    UnaskedBoxes unasked;
    boxes.Show(kAlreadyRunning);
    boxes.AskYesNo(OverwriteQuestion(u"C:\\out.csv"));
  }
  boxes.Show(kAlreadyRunning);
  constexpr UINT kAbove = MB_TOPMOST | MB_SETFOREGROUND;
  const UINT question = MB_ICONWARNING | MB_YESNO | MB_DEFBUTTON2;
  EXPECT_EQ(boxes.styles, (std::vector<UINT>{MB_OK, question, MB_OK | kAbove, question | kAbove, MB_OK}));
}
