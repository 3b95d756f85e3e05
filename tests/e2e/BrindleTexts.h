// What brindle.exe shows, as its resources have it: the texts of its string
// table, the dialogs' captions and control ids the scenarios drive, the
// tray menu's layout, and the tooltip and notes put together from them.
#pragma once

#include <string>
#include <vector>

#include "tests/e2e/RemotePopupMenu.h"

namespace e2e {

namespace brindletext {
// The product title: caption of every message.
constexpr wchar_t kCaption[] = L"Brindle";
// Status lines.
constexpr wchar_t kCardChecking[] = L"vevUIMカードの状態をチェックしています。";
constexpr wchar_t kGpsChecking[] = L"GPSの状態をチェックしています。";
constexpr wchar_t kCardAbsent[] = L"vevUIMカードが装着されていません。";
constexpr wchar_t kUnknown[] = L"状態が不明です。";
constexpr wchar_t kPukNeeded[] = L"PINロックの解除が必要です。";
constexpr wchar_t kPinNeeded[] = L"PIN1コードの照合が必要です。";
constexpr wchar_t kUsable[] = L"使用可能です。";
constexpr wchar_t kCardLocked[] = L"vevUIMカードが完全にロックされています。";
constexpr wchar_t kGpsOnCom7[] = L"使用可能です。[ポート:COM7]";
constexpr wchar_t kGpsOff[] = L"無効状態です。";
// Messages.
constexpr wchar_t kPinWrong[] = L"PIN1コードが誤っています。";
constexpr wchar_t kPinBlocked[] =
    L"PINロックされました。\nこのvevUIMカードを使用するには、PINロックの解除を行ってください。";
constexpr wchar_t kPukWrong[] = L"PINロック解除コードが誤っています。";
constexpr wchar_t kCardLockedNow[] =
    L"PINロックの解除失敗により、このvevUIMカードは完全にロックされました。\nZADvevへご相談ください。";
constexpr wchar_t kNoDevice[] = L"デバイスが見つかりませんでした。";
constexpr wchar_t kCommFailed[] = L"デバイスとの通信に失敗しました。";
constexpr wchar_t kOsUnsupported[] = L"現在のＯＳでは使用できません。";
constexpr wchar_t kCannotStartYet[] = L"起動できませんでした。しばらく待ってから起動してください。";
constexpr wchar_t kOtherUser[] = L"他のユーザーが使用中です。同時に使用することはできません。";
// String 129 with its code and detail filled in.
std::wstring ErrorCode(int code, int detail);
// The length rule's message for PIN1, for a range and for one length.
std::wstring Pin1Length(unsigned shortest, unsigned longest);
} // namespace brindletext

// The PIN1 verify dialog (template 114), the same from the tray and from
// the settings dialog.
constexpr wchar_t kVerifyCaption[] = L"PIN1コード照合";
constexpr int kVerifyPin = 1007;
constexpr int kVerifyNote = 1008;
// The settings dialog's PIN1 status line (templates 112 and 140).
constexpr int kSettingsPinLine = 1001;
constexpr wchar_t kAboutCaption[] = L"Brindleのバージョン情報";

// Menu 106 as its resource lays it out. Only the separator's state counts
// for choosing by position; which items are greyed depends on the card.
extern const std::vector<MenuItem> kTrayMenu;
constexpr unsigned kMenuOpenSettings = 0;
constexpr unsigned kMenuVerifyPin = 1;
constexpr unsigned kMenuAbout = 3;
constexpr unsigned kMenuExit = 4;

// The tooltip without and with the GPS option.
std::wstring TipText(const std::wstring& pin);
std::wstring TipText(const std::wstring& pin, const std::wstring& gps);
// The verify and change dialogs' whole note for the PIN1 attempts left.
std::wstring PinAttemptsNote(int attemptsLeft);
// The part that every attempts note (PIN1 or unblock code) has: "あとN回".
std::wstring AttemptsLeft(int attemptsLeft);

} // namespace e2e
