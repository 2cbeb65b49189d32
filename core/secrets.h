#pragma once

// Which parts of a record are credentials, and the record without them: what a file, a script
// or an export written without passwords holds. The upload document is not one of those: the
// server gets every value.

#include "url_record.h"

#include <string>
#include <string_view>

namespace waytrace {

// What stands where a credential was left out, in the address, the body and the file.
inline constexpr char kLeftOut[] = "(left out)";

// Whether a form field's name says it holds a password ("password", "passwd", "pwd", "pw",
// "pass", "secret"), as a word of it too ("user[password]", "newPassword", "j_password").
bool namesPassword(std::u16string_view fieldName);

// Whether a field's name says it holds a credential: a password (above), a key, a secret or a
// session ("api_key", "access_token", "session_id", "client_secret", "sid"), and, in an
// address's query, a bare "token". Anti-forgery values ("csrf_token", "authenticity_token",
// "_wpnonce", "wpEditToken") are none: a page hands them out for its own forms, and the check
// of stale values needs them.
bool namesCredential(std::u16string_view fieldName, bool inQuery);

// Header lines that carry a login, a session or a key: Authorization, Proxy-Authorization,
// Cookie, Set-Cookie, and any whose name says key, secret, session, token or auth ("X-Api-Key",
// "X-Auth-Token"), anti-forgery tokens aside ("X-CSRF-Token"). They are never written without
// passwords, never shown, and sent to their step's own origin only.
bool isCredentialHeader(std::u16string_view name);

// Whether a field the record sends is a secret: its page sent it from a password input, or
// its name says it holds a credential.
bool isSecretField(const UrlRecord& record, std::u16string_view name, bool inQuery = false);

// The media type of a body the rule cannot read (JSON, bytes, ...): such a body is written
// whole, whatever it holds, and the writer says so. Empty when the record's body is read or it
// has none.
std::u16string bodyKeptWhole(const UrlRecord& record);

// Whether the record sends a secret under this name, wherever the field stands.
bool sendsSecret(const UrlRecord& record, std::u16string_view name);

// An address as it may be shown or kept without passwords: the password of its user part and
// the values of its query's credential fields as kLeftOut.
std::u16string addressWithoutSecrets(std::u16string_view address);

// Marks the fields the record sends under these names as sent from password inputs. Returns
// whether it marked any.
bool markPasswordFields(UrlRecord& record, const std::vector<std::u16string>& names);

// The record with every credential replaced by kLeftOut or taken out, each named in its
// leftOut. Keeps what an earlier save left out.
UrlRecord withoutSecrets(const UrlRecord& record);

// A value a record written without passwords holds back, and the environment variable a
// script or a run reads it from: one for each step and value, the basic-authentication
// password's as before ("WAYTRACE_PASSWORD_STEP_4", "WAYTRACE_ADDRESS_PASSWORD_STEP_4",
// "WAYTRACE_FIELD_STEP_2_API_KEY"), for the record at `index` in its sequence; the names count
// steps from 1, as people do.
struct WithheldValue
{
    enum class Kind
    {
        Password,        // basic authentication
        AddressPassword, // the address's user part
        Field,
    };
    Kind kind;
    std::u16string field; // Field: its name
    std::string variable;
};
std::vector<WithheldValue> withheldValues(const UrlRecord& record, std::size_t index);

// Where a withheld value stands in the record written without passwords: in its address, or
// in its body as recordedBodyText reads it; whether it is percent-encoded there (query,
// urlencoded body, user part) or written as its bytes (multipart, plain text).
struct WithheldSpot
{
    std::size_t at = 0;
    std::size_t length = 0;
    std::string variable;
    bool percentEncoded = false;
};
std::vector<WithheldSpot> withheldSpots(const UrlRecord& record, std::size_t index, bool inAddress);

// The user and server of the address's user part, as a question names them ("ann",
// "https://host:8443"); empty when it holds none.
struct AddressLogin
{
    std::u16string user;
    std::u16string server;
};
AddressLogin addressLogin(std::u16string_view address);

// Puts back what the user gave for what was left out; the bytes are sent as they are.
void supplyPassword(UrlRecord& record, std::u16string password);
void supplyAddressPassword(UrlRecord& record, const std::string& password);
void supplyField(UrlRecord& record, std::u16string_view name, const std::string& value);

} // namespace waytrace
