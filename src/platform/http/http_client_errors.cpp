#include "platform/http/http_client_errors.h"

#include <cerrno>

#include "platform/http/http_client.h"

namespace vex::http {
namespace {

// Certificate verification results of the TLS library (X509_V_ERR_*).
enum CertCheck : long {
  kCertOk = 0,
  kCertNoIssuer = 2,
  kCertNotYetValid = 9,
  kCertExpired = 10,
  kCertSelfSigned = 18,
  kCertSelfSignedInChain = 19,
  kCertNoLocalIssuer = 20,
  kCertLeafUnverified = 21,
  kCertRevoked = 23,
  kCertHostMismatch = 62,
};

int CertErrorCode(long check) {
  switch (check) {
    case kCertOk:  // curl's own host-name check failed
    case kCertHostMismatch:
      return kSecureCertNameInvalid;
    case kCertNotYetValid:
    case kCertExpired:
      return kSecureCertDateInvalid;
    case kCertNoIssuer:
    case kCertSelfSigned:
    case kCertSelfSignedInChain:
    case kCertNoLocalIssuer:
    case kCertLeafUnverified:
      return kSecureInvalidCa;
    case kCertRevoked:
      return kSecureCertRevoked;
    default:
      return kSecureCertInvalid;
  }
}

}  // namespace

int MapCurlCode(CURLcode code) {
  // No default: a code added to curl must be placed here by hand.
  switch (code) {
    case CURLE_OK:
      return kOk;

    case CURLE_OPERATION_TIMEDOUT:
      return kTimeout;

    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return kNameNotResolved;

    case CURLE_COULDNT_CONNECT:
    case CURLE_NO_CONNECTION_AVAILABLE:
    case CURLE_PROXY:
    case CURLE_QUIC_CONNECT_ERROR:
    case CURLE_INTERFACE_FAILED:
      return kCannotConnect;

    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
      return kConnectionAborted;

    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_HTTP3:
      return kInvalidServerResponse;

    case CURLE_TOO_MANY_REDIRECTS:
      return kRedirectLimit;

    case CURLE_URL_MALFORMAT:
      return kInvalidUrl;

    case CURLE_UNSUPPORTED_PROTOCOL:
      return kUnrecognizedScheme;

    case CURLE_ABORTED_BY_CALLBACK:
      return kOperationCancelled;

    case CURLE_BAD_CONTENT_ENCODING:
      return kDecodingFailed;

    case CURLE_FILE_COULDNT_READ_FILE:
    case CURLE_READ_ERROR:
    case CURLE_REMOTE_FILE_NOT_FOUND:
      return kFileNotFound;

    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_USE_SSL_FAILED:
      return kSecureFailure;

    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
      return kSecureCertInvalid;

    case CURLE_SSL_CLIENTCERT:
      return kSecureClientCertNeeded;

    // Failures of our own use of curl, of protocols we do not enable, and
    // codes curl no longer produces.
    case CURLE_FAILED_INIT:
    case CURLE_NOT_BUILT_IN:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_WEIRD_PASS_REPLY:
    case CURLE_FTP_ACCEPT_TIMEOUT:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_COULDNT_SET_TYPE:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_OBSOLETE20:
    case CURLE_QUOTE_ERROR:
    case CURLE_HTTP_RETURNED_ERROR:
    case CURLE_WRITE_ERROR:
    case CURLE_OBSOLETE24:
    case CURLE_UPLOAD_FAILED:
    case CURLE_OUT_OF_MEMORY:
    case CURLE_OBSOLETE29:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_COULDNT_USE_REST:
    case CURLE_OBSOLETE32:
    case CURLE_RANGE_ERROR:
    case CURLE_HTTP_POST_ERROR:
    case CURLE_BAD_DOWNLOAD_RESUME:
    case CURLE_LDAP_CANNOT_BIND:
    case CURLE_LDAP_SEARCH_FAILED:
    case CURLE_OBSOLETE40:
    case CURLE_FUNCTION_NOT_FOUND:
    case CURLE_BAD_FUNCTION_ARGUMENT:
    case CURLE_OBSOLETE44:
    case CURLE_OBSOLETE46:
    case CURLE_UNKNOWN_OPTION:
    case CURLE_SETOPT_OPTION_SYNTAX:
    case CURLE_OBSOLETE50:
    case CURLE_OBSOLETE51:
    case CURLE_OBSOLETE57:
    case CURLE_OBSOLETE62:
    case CURLE_FILESIZE_EXCEEDED:
    case CURLE_SEND_FAIL_REWIND:
    case CURLE_LOGIN_DENIED:
    case CURLE_TFTP_NOTFOUND:
    case CURLE_TFTP_PERM:
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_TFTP_ILLEGAL:
    case CURLE_TFTP_UNKNOWNID:
    case CURLE_REMOTE_FILE_EXISTS:
    case CURLE_TFTP_NOSUCHUSER:
    case CURLE_OBSOLETE75:
    case CURLE_OBSOLETE76:
    case CURLE_SSH:
    case CURLE_AGAIN:
    case CURLE_FTP_PRET_FAILED:
    case CURLE_RTSP_CSEQ_ERROR:
    case CURLE_RTSP_SESSION_ERROR:
    case CURLE_FTP_BAD_FILE_LIST:
    case CURLE_CHUNK_FAILED:
    case CURLE_RECURSIVE_API_CALL:
    case CURLE_AUTH_ERROR:
    case CURLE_UNRECOVERABLE_POLL:
    case CURL_LAST:
      return kInternalError;
  }
  return kInternalError;  // a value outside the enumeration
}

int ErrorCodeOf(CURL* easy, CURLcode code) {
  if (code == CURLE_PEER_FAILED_VERIFICATION) {
    long check = kCertOk;
    curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &check);
    return CertErrorCode(check);
  }
  if (code == CURLE_RECV_ERROR || code == CURLE_SEND_ERROR) {
    long osError = 0;
    curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osError);
    if (osError == ECONNRESET) return kConnectionReset;
  }
  return MapCurlCode(code);
}

}  // namespace vex::http
