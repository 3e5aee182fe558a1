// Texts the claim dialog shows the player, as Big5 (code page 950) bytes.
#pragma once

// "重要檔案無法讀取！\n請重新下載更新！": Important file cannot be read!
// (new line) Please download the update again!
#define CLAIM_TEXT_FILE_ERROR                                                     \
    "\xad\xab\xad\x6e\xc0\xc9\xae\xd7\xb5\x4c\xaa\x6b\xc5\xaa\xa8\xfa\xa1\x49\x0a" \
    "\xbd\xd0\xad\xab\xb7\x73\xa4\x55\xb8\xfc\xa7\xf3\xb7\x73\xa1\x49"

// "提示訊息": Notice (caption of both message boxes)
#define CLAIM_TEXT_CAPTION "\xb4\xa3\xa5\xdc\xb0\x54\xae\xa7"

// "您必需選擇同意才能繼續進行遊戲！": You must choose Agree to go on with the game!
#define CLAIM_TEXT_MUST_AGREE                                                     \
    "\xb1\x7a\xa5\xb2\xbb\xdd\xbf\xef\xbe\xdc\xa6\x50\xb7\x4e\xa4\x7e\xaf\xe0\xc4\x7e" \
    "\xc4\xf2\xb6\x69\xa6\xe6\xb9\x43\xc0\xb8\xa1\x49"
