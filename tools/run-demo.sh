#!/usr/bin/env bash
# Builds the application, the fake company server and its generated sample
# company; starts the server on the loopback over HTTPS with the sample company
# (its certificate from an authority made here for the run), then the
# application pointed at it, trusting that authority. With a display the window opens on the welcome
# screen and stays until it is closed. Without one the application tours by
# itself: it signs in online with the sample company's account, synchronises
# (progress printed as lines), writes an order (added from a tile and from a
# product's screen, a customer, discounts, the PDF signed, saved and submitted),
# leaves a PNG of each step, of each main tab and of the frame's screens in
# build/app/tour (the paths are printed), says how many requests went to the
# server and whether any went elsewhere, and ends; then the server stops and
# what it received is printed. The application's home folder is build/app/home unless
# CORVELLE_HOME is set. Options given here go to the application instead.
# CORVELLE_BUILD_DIR names an existing build to use as it is (the test does).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CORVELLE_BUILD_DIR:-$root/build/app}"
if [ -z "${CORVELLE_BUILD_DIR:-}" ]; then
  "$root/tools/setup.sh"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVELLE_TESTS=OFF
  cmake --build "$build" --target corvelle corvelle-fake-server corvelle_sample_data
fi
export CORVELLE_HOME="${CORVELLE_HOME:-$build/home}"

log="$(mktemp)"
# The server speaks HTTPS with a certificate from an authority the demo makes
# here; the application trusts that authority alone (OpenSSL's SSL_CERT_FILE)
# and checks the server's certificate and name against it as usual.
tls="$(mktemp -d)"
trap 'rm -rf "$tls" "$log"' EXIT
cat >"$tls/demo.cnf" <<'CONF'
[req]
distinguished_name = name
[name]
[authority]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[server]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1,DNS:localhost
CONF
if ! { openssl req -x509 -config "$tls/demo.cnf" -extensions authority -newkey ec -pkeyopt ec_paramgen_curve:P-256 \
         -nodes -keyout "$tls/authority.key" -out "$tls/authority.pem" -days 2 -subj "/O=Corvelle Demo/CN=Demo Authority" &&
       openssl req -new -config "$tls/demo.cnf" -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes \
         -keyout "$tls/server.key" -out "$tls/server.csr" -subj "/O=Corvelle Demo/CN=127.0.0.1" &&
       openssl x509 -req -in "$tls/server.csr" -CA "$tls/authority.pem" -CAkey "$tls/authority.key" -CAcreateserial \
         -days 2 -extfile "$tls/demo.cnf" -extensions server -out "$tls/server.pem"; } >"$tls/openssl.log" 2>&1; then
  echo "run-demo: cannot make the demo's certificates:" >&2
  cat "$tls/openssl.log" >&2
  exit 1
fi
"$build/tools/fake-server/corvelle-fake-server" --tls "$tls/server.pem" "$tls/server.key" \
  --company "$build/sample-company" 0 >"$log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -rf "$tls" "$log"' EXIT
port=""
for _ in $(seq 1 100); do
  port="$(sed -n 's/^fake company server on https:\/\/127\.0\.0\.1:\([0-9][0-9]*\).*/\1/p' "$log")"
  [ -n "$port" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "run-demo: the fake company server did not start:" >&2
  cat "$log" >&2
  exit 1
fi
echo "Fake company server with the sample company on https://127.0.0.1:$port (account ACME / sales1 / secret)"

# For the tour's mail and print: a mail sink on the loopback as the
# application's mail account, and a print server of the demo's own with one
# PDF printer whose device is a file.
demo="$(mktemp -d)"
chmod 755 "$demo"
sink="" cupsd="" mail_port="" printer_ready=""
stop_services() {
  for p in $sink $cupsd; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
  rm -rf "$demo"
}
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; stop_services; rm -rf "$tls" "$log"' EXIT
mkdir -p "$demo/mail"
# Debian's own Python, which has the mail server module of the package list.
py=/usr/bin/python3
[ -x "$py" ] || py=python3
"$py" "$root/tests/support/smtp_sink.py" "$demo/mail" accept >"$demo/mail.log" 2>&1 &
sink=$!
for _ in $(seq 1 100); do
  mail_port="$(head -n 1 "$demo/mail.log" | grep -E '^[0-9]+$' || true)"
  [ -n "$mail_port" ] && break
  kill -0 "$sink" 2>/dev/null || break
  sleep 0.1
done
if [ -n "$mail_port" ]; then
  export CORVELLE_SMTP_URL="smtp://127.0.0.1:$mail_port" CORVELLE_SMTP_FROM="sales1@acme.example"
  echo "Mail sink on 127.0.0.1:$mail_port (the application's mail account)"
else
  echo "run-demo: no mail sink (python3-aiosmtpd missing?): the tour will find no mail account" >&2
fi

cups="$demo/cups"
mkdir -p "$cups/conf" "$cups/spool/tmp" "$cups/cache" "$cups/state" "$cups/logs" "$demo/out"
chmod -R 755 "$cups"
chmod 777 "$demo/out"
print_port="$("$py" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
printf '%s\n' "Listen 127.0.0.1:$print_port" "Browsing No" "WebInterface No" "DefaultAuthType None" \
  "<Location />" "  Order allow,deny" "  Allow all" "</Location>" \
  "<Policy default>" "  <Limit All>" "    Order deny,allow" "  </Limit>" "</Policy>" >"$cups/conf/cupsd.conf"
printf '%s\n' "ServerRoot $cups/conf" "RequestRoot $cups/spool" "TempDir $cups/spool/tmp" "CacheDir $cups/cache" \
  "StateDir $cups/state" "ErrorLog $cups/logs/error_log" \
  "AccessLog $cups/logs/access_log" "PageLog $cups/logs/page_log" "FileDevice Yes" >"$cups/conf/cups-files.conf"
if [ "$(id -u)" = 0 ]; then
  printf '%s\n' "User lp" "Group lp" "SystemGroup root" >>"$cups/conf/cups-files.conf"
fi
if command -v cupsd >/dev/null && command -v lpadmin >/dev/null; then
  cupsd -f -c "$cups/conf/cupsd.conf" -s "$cups/conf/cups-files.conf" >/dev/null 2>&1 &
  cupsd=$!
  for _ in $(seq 1 100); do
    if lpadmin -h "127.0.0.1:$print_port" -p Demo -E -v "file://$demo/out/Demo.pdf" \
         -P /usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd -D "Demo PDF Printer" 2>/dev/null; then
      printer_ready=yes
      break
    fi
    kill -0 "$cupsd" 2>/dev/null || break
    sleep 0.1
  done
fi
if [ -n "$printer_ready" ]; then
  export CUPS_SERVER="127.0.0.1:$print_port"
  echo "Print server on 127.0.0.1:$print_port with the printer \"Demo PDF Printer\", printing into a file"
else
  echo "run-demo: no print server (cups-daemon, cups-client, cups-filters missing?): the tour cannot print" >&2
fi

if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ]; then
  set -- --tour "$build/tour"
fi
status=0
SSL_CERT_FILE="$tls/authority.pem" "$build/App/corvelle" --bundle "$build/bundle" --server "https://127.0.0.1:$port" \
  "$@" || status=$?

# What reached the server, as it logged it once the application had ended.
kill "$server" 2>/dev/null || true
wait "$server" 2>/dev/null || true
echo "The fake company server's log:"
grep -E '^fake company server (received|sent)' "$log" || echo "(nothing received)"
if [ -n "$mail_port" ]; then
  echo "The mail sink's messages:"
  "$py" -c '
import glob, json, os, sys
folder = sys.argv[1]
records = sorted(glob.glob(os.path.join(folder, "*.json")), key=lambda p: int(os.path.basename(p)[:-5]))
for record in records:
    m = json.load(open(record))
    parts = ", ".join("%s (%s, %d bytes)" % (a["filename"], a["type"], os.path.getsize(os.path.join(folder, a["file"])))
                      for a in m["attachments"])
    print("mail sink received a message to %s, subject %s, attachments: %s"
          % (", ".join(m["rcpt_tos"]), m["subject"], parts or "none"))
if not records:
    print("(nothing received)")
' "$demo/mail"
fi
if [ -n "$printer_ready" ]; then
  if [ -s "$demo/out/Demo.pdf" ]; then
    echo "The demo printer printed $(pdfinfo "$demo/out/Demo.pdf" | sed -n 's/^Pages: *//p') page(s) holding: $(pdftotext "$demo/out/Demo.pdf" - | grep -m 3 -v '^[[:space:]]*$' | tr '\n' ' ')"
  else
    echo "The demo printer printed nothing"
  fi
fi
exit "$status"
