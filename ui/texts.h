// Every text the stub shows. This file is UTF-8; the stub is compiled with
// -fexec-charset=CP932, so each literal is stored as Shift-JIS bytes.
#ifndef CORVANE_UI_TEXTS_H
#define CORVANE_UI_TEXTS_H

#define TEXT_TITLE_BANNER "Corvane Ver 1.60"
#define TEXT_PROGRESS_TITLE "ファイルの解凍中"

#define TEXT_MESSAGE_LABEL "メッセージ"
#define TEXT_PASSWORD_LABEL "パスワード"
#define TEXT_FOLDER_LABEL "解凍するフォルダ"
#define TEXT_EXPAND_BUTTON "解凍"
#define TEXT_BROWSE_BUTTON "参照..."
#define TEXT_CANCEL_BUTTON "キャンセル"
#define TEXT_BROWSE_TITLE "解凍先を選んでください。"

#define TEXT_STATUS_EXAMINING "処理中:"
#define TEXT_STATUS_SKIPPING "スキップ中:"
#define TEXT_STATUS_EXPANDING "解凍中:"

#define TEXT_FILE_SHORTER "ファイルのサイズが元々のファイルより小さいです。解凍できません。"
#define TEXT_FILE_LONGER                                                       \
  "ファイルのサイズが元々のファイルより大きいです。このファイルはウイルスに感" \
  "染している可能性があります。解凍できません。"
#define TEXT_READ_FAILED "ファイルの読み込みに失敗しました。"
#define TEXT_WRITE_FAILED "ファイルの書き込みに失敗しました。"
#define TEXT_DAMAGED "ファイルが壊れています。"
#define TEXT_OVERWRITE_SUFFIX "はすでに存在します。上書きしますか？"
#define TEXT_FOLDER_FAILED_PREFIX "フォルダが作れませんでした:"
#define TEXT_WRONG_PASSWORD "パスワードが違います。"
#define TEXT_CREATE_FOLDER "指定されたフォルダはありません。このフォルダを作りますか？"
#define TEXT_CANNOT_CREATE_FOLDER "フォルダが作れません。"
#define TEXT_CANCELLED "ファイルの解凍を中断しました。"
#define TEXT_FINISHED "ファイルの解凍が終わりました。"
#define TEXT_RUN_FAILED_SUFFIX "が実行できませんでした。"

#endif
