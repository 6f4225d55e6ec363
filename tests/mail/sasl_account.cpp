#include "tests/mail/sasl_account.h"

#include <sasl/sasl.h>

#include <cstring>

namespace calvendra::test {

namespace {

// libsasl2's options for this one use: the sasldb file, and no configuration file of the machine.
int Option(void* context, const char* /*plugin*/, const char* option, const char** result,
           unsigned* length) {
    const char* value = nullptr;
    if (std::strcmp(option, "sasldb_path") == 0) {
        value = static_cast<const std::string*>(context)->c_str();
    } else if (std::strcmp(option, "auxprop_plugin") == 0) {
        value = "sasldb";
    } else if (std::strcmp(option, "mech_list") == 0) {
        // Only mechanisms that keep no secret of their own beside the plain password.
        value = "PLAIN LOGIN CRAM-MD5 NTLM";
    } else {
        return SASL_FAIL;
    }
    *result = value;
    if (length != nullptr) {
        *length = static_cast<unsigned>(std::strlen(value));
    }
    return SASL_OK;
}

}  // namespace

bool CreateSaslAccount(const std::string& sasldbPath, const std::string& realm,
                       const std::string& user, const std::string& password, std::string& why) {
    std::string path = sasldbPath;
    // libsasl2 keeps every callback as int (*)(); the cast goes through the generic function type.
    const auto option = reinterpret_cast<int (*)()>(reinterpret_cast<void (*)()>(&Option));
    sasl_callback_t callbacks[] = {
        {SASL_CB_GETOPT, option, &path},
        {SASL_CB_LIST_END, nullptr, nullptr},
    };
    int result = sasl_server_init(callbacks, "calvendra-test");
    if (result != SASL_OK) {
        why = std::string("sasl_server_init: ") + sasl_errstring(result, nullptr, nullptr);
        return false;
    }
    sasl_conn_t* connection = nullptr;
    result = sasl_server_new("smtp", realm.c_str(), realm.c_str(), nullptr, nullptr, callbacks, 0,
                             &connection);
    if (result == SASL_OK) {
        result = sasl_setpass(connection, user.c_str(), password.c_str(),
                              static_cast<unsigned>(password.size()), nullptr, 0, SASL_SET_CREATE);
        if (result != SASL_OK) {
            why = std::string("sasl_setpass: ") + sasl_errdetail(connection);
        }
    } else {
        why = std::string("sasl_server_new: ") + sasl_errstring(result, nullptr, nullptr);
    }
    sasl_dispose(&connection);
    sasl_done();
    return result == SASL_OK;
}

}  // namespace calvendra::test
