#include "shell/message_box_notifier.h"

#include <gtest/gtest.h>

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
