// What brindle.exe says, word for word: its string table, the tray menu and
// the captions of the dialogs the tests look for. Every test compares with
// these, never with the program's own resources read back, so a wrong or
// renumbered resource shows. Portable: no Windows header.
#pragma once

#include <string>
#include <type_traits>
#include <vector>

namespace brindletext {

constexpr wchar_t kWindowClass[] = L"Brindle";
constexpr wchar_t kWindowTitle[] = L"Brindle";
constexpr wchar_t kPinAttemptsNote[] = L"注意: あと%d回PIN1コードを誤ると、vevUIMカードはPINロックされます。";
constexpr wchar_t kTip[] = L"Brindle\nPIN ： %s";
constexpr wchar_t kTipWithGps[] = L"Brindle\nPIN ： %s\nGPS ： %s";
constexpr wchar_t kLengthRange[] = L"%sは%u桁から%u桁で入力してください。";
constexpr wchar_t kGpsOnFailed[] = L"GPSを有効にできませんでした。";
constexpr wchar_t kLengthExact[] = L"%sは%u桁で入力してください。";
constexpr wchar_t kGpsOffFailed[] = L"GPSを無効にできませんでした。";
constexpr wchar_t kPinWrong[] = L"PIN1コードが誤っています。";
constexpr wchar_t kGpsChecking[] = L"GPSの状態をチェックしています。";
constexpr wchar_t kPinBlocked[] =
    L"PINロックされました。\nこのvevUIMカードを使用するには、PINロックの解除を行ってください。";
constexpr wchar_t kGpsChanging[] = L"GPSの設定を変更しています。";
constexpr wchar_t kCardAbsent[] = L"vevUIMカードが装着されていません。";
constexpr wchar_t kUnknown[] = L"状態が不明です。";
constexpr wchar_t kPukNeeded[] = L"PINロックの解除が必要です。";
constexpr wchar_t kGpsOn[] = L"使用可能です。";
constexpr wchar_t kPinNeeded[] = L"PIN1コードの照合が必要です。";
constexpr wchar_t kCaption[] = L"Brindle";
constexpr wchar_t kOtherUser[] = L"他のユーザーが使用中です。同時に使用することはできません。";
constexpr wchar_t kUsable[] = L"使用可能です。";
constexpr wchar_t kGpsOnPort[] = L"使用可能です。[ポート:COM%d]";
constexpr wchar_t kPukAttemptsNote[] =
    L"注意: あと%d回PINロック解除コードを誤ると、vevUIMカードは使用できなくなります。";
constexpr wchar_t kPinMismatch[] = L"新しいPIN1コードと新しいPIN1コード（確認）の内容が異なります。";
constexpr wchar_t kPukWrong[] = L"PINロック解除コードが誤っています。";
constexpr wchar_t kCardLockedNow[] =
    L"PINロックの解除失敗により、このvevUIMカードは完全にロックされました。\nZADvevへご相談ください。";
constexpr wchar_t kCardLocked[] = L"vevUIMカードが完全にロックされています。";
constexpr wchar_t kErrorCode[] = L"エラーコード: %d(%d)\n予期しないエラーが発生しました。";
constexpr wchar_t kCardChecking[] = L"vevUIMカードの状態をチェックしています。";
constexpr wchar_t kGuestRefused[] = L"Guestアカウントでの実行はできません。";
constexpr wchar_t kNoDevice[] = L"デバイスが見つかりませんでした。";
constexpr wchar_t kOsUnsupported[] = L"現在のＯＳでは使用できません。";
constexpr wchar_t kCommFailed[] = L"デバイスとの通信に失敗しました。";
constexpr wchar_t kPin1Name[] = L"PIN1コード";
constexpr wchar_t kPukName[] = L"PINロック解除コード";
constexpr wchar_t kGpsOff[] = L"無効状態です。";
constexpr wchar_t kCannotStartYet[] = L"起動できませんでした。しばらく待ってから起動してください。";
constexpr wchar_t kFutureOsQuestion[] = L"現在のＯＳはサポート対象外です。\nこのままアプリケーションを起動しますか？";

struct StringEntry {
    unsigned id;
    const wchar_t* text;
};
// The whole string table: no other id holds a string.
constexpr StringEntry kStringTable[] = {
    {101, kWindowClass},  {102, kWindowTitle},    {104, kPinAttemptsNote},  {105, kTip},
    {106, kTipWithGps},   {107, kLengthRange},    {108, kGpsOnFailed},      {109, kLengthExact},
    {110, kGpsOffFailed}, {111, kPinWrong},       {112, kGpsChecking},      {113, kPinBlocked},
    {114, kGpsChanging},  {115, kCardAbsent},     {116, kUnknown},          {117, kPukNeeded},
    {118, kGpsOn},        {119, kPinNeeded},      {120, kCaption},          {121, kOtherUser},
    {122, kUsable},       {123, kGpsOnPort},      {124, kPukAttemptsNote},  {125, kPinMismatch},
    {126, kPukWrong},     {127, kCardLockedNow},  {128, kCardLocked},       {129, kErrorCode},
    {130, kCardChecking}, {132, kGuestRefused},   {133, kNoDevice},         {134, kOsUnsupported},
    {135, kNoDevice},     {136, kCommFailed},     {137, kPin1Name},         {138, kPukName},
    {139, kGpsOff},       {142, kCannotStartYet}, {146, kFutureOsQuestion},
};

// Menu 106's popup, top to bottom; a separator has no text.
constexpr StringEntry kTrayMenu[] = {
    {40002, L"Brindleを開く(&O)"},  {40003, L"PIN1を照合する(&C)"}, {0, nullptr},
    {40004, L"バージョン情報(&V)"}, {40005, L"終了(&X)"},
};

// Dialog captions: PIN1 verify (114), change (116), unblock (118), About (108).
constexpr wchar_t kVerifyCaption[] = L"PIN1コード照合";
constexpr wchar_t kChangeCaption[] = L"PIN1コード変更";
constexpr wchar_t kUnblockCaption[] = L"PINロック解除";
constexpr wchar_t kAboutCaption[] = L"Brindleのバージョン情報";

// The formats filled in as the program's printf fills them: each %s, %d or
// %u takes the next argument.
std::wstring FillIn(const wchar_t* format, const std::vector<std::wstring>& args);

inline std::wstring FormatArg(const std::wstring& text)
{
    return text;
}
inline std::wstring FormatArg(const wchar_t* text)
{
    return text;
}
template <typename Number, typename = std::enable_if_t<std::is_arithmetic_v<Number>>>
std::wstring FormatArg(Number number)
{
    return std::to_wstring(number);
}

// The tooltip without and with the GPS option.
std::wstring TipText(const std::wstring& pin);
std::wstring TipText(const std::wstring& pin, const std::wstring& gps);

} // namespace brindletext

// The text of string `id`, from the table above (a marker that matches no
// real text for an id the table does not have).
std::wstring ResString(unsigned id);

template <typename... Args>
std::wstring Format(const std::wstring& format, const Args&... args)
{
    return brindletext::FillIn(format.c_str(), {brindletext::FormatArg(args)...});
}
