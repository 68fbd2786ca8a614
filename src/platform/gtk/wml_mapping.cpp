#include "platform/gtk/wml_mapping.h"

#include <glib/gstdio.h>
#include <unistd.h>

#include <string>

#include "platform/gtk/gtk_platform.h"

namespace qv::gtk {
namespace {

struct Pending {
  GWeakRef view;
  std::string uri;
  std::string file;
};

void Finish(WebKitDownload* download, Pending* p, bool ok) {
  auto* view = static_cast<WebKitWebView*>(g_weak_ref_get(&p->view));
  gchar* body = nullptr;
  gsize len = 0;
  if (view != nullptr && ok && g_file_get_contents(p->file.c_str(), &body, &len, nullptr)) {
    GBytes* bytes = g_bytes_new_take(body, len);
    webkit_web_view_load_bytes(view, bytes, "text/html", nullptr, p->uri.c_str());
    g_bytes_unref(bytes);
  }
  if (view != nullptr) g_object_unref(view);
  g_remove(p->file.c_str());
  g_weak_ref_clear(&p->view);
  g_signal_handlers_disconnect_by_data(download, p);
  delete p;
  g_object_unref(download);
}

}  // namespace

bool HandleWmlResponse(GtkPlatform* platform, WebKitWebView* view,
                       WebKitResponsePolicyDecision* decision) {
  WebKitURIResponse* response = webkit_response_policy_decision_get_response(decision);
  const char* mime = webkit_uri_response_get_mime_type(response);
  if (mime == nullptr || g_ascii_strcasecmp(mime, kWmlMimeType) != 0) return false;
  Text clsid;
  if (!platform->GetRegistry().ReadString(RegistryRoot::CurrentUser, kWmlMappingKey, "CLSID",
                                          clsid))
    return false;
  const char* uri = webkit_uri_response_get_uri(response);
  if (uri == nullptr) return false;
  gchar* tmpl = g_build_filename(g_get_tmp_dir(), "quorvi-wml-XXXXXX", nullptr);
  int fd = g_mkstemp(tmpl);
  if (fd < 0) {
    g_free(tmpl);
    return false;
  }
  close(fd);
  auto* p = new Pending;
  g_weak_ref_init(&p->view, view);
  p->uri = uri;
  p->file = tmpl;
  g_free(tmpl);
  webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
  WebKitDownload* download = webkit_web_view_download_uri(view, p->uri.c_str());
  webkit_download_set_allow_overwrite(download, TRUE);
  g_signal_connect(download, "decide-destination",
                   G_CALLBACK(+[](WebKitDownload* d, gchar*, gpointer data) {
                     auto* pend = static_cast<Pending*>(data);
                     gchar* dest = g_filename_to_uri(pend->file.c_str(), nullptr, nullptr);
                     webkit_download_set_destination(d, dest);
                     g_free(dest);
                     return TRUE;
                   }),
                   p);
  g_signal_connect(download, "finished", G_CALLBACK(+[](WebKitDownload* d, gpointer data) {
                     Finish(d, static_cast<Pending*>(data), true);
                   }),
                   p);
  g_signal_connect(download, "failed", G_CALLBACK(+[](WebKitDownload* d, GError*, gpointer data) {
                     // "finished" follows a failure; show nothing for it.
                     g_signal_handlers_disconnect_matched(d, G_SIGNAL_MATCH_DATA, 0, 0, nullptr,
                                                          nullptr, data);
                     Finish(d, static_cast<Pending*>(data), false);
                   }),
                   p);
  return true;
}

}  // namespace qv::gtk
