# Sourced by the demo and the end-to-end signing case: Authenticode signing as a release is signed,
# with a throwaway self-signed code-signing certificate and no timestamp server (nothing reaches
# the network). Each function returns the tool's status; the caller says what failed.

# signing_make_certificate DIR CN: DIR/signer.key and DIR/signer.pem; openssl's output in
# DIR/openssl.log.
signing_make_certificate() {
  local dir=$1 cn=$2
  openssl req -x509 -days 3650 -nodes -newkey rsa:2048 -keyout "$dir/signer.key" -out "$dir/signer.pem" \
    -subj "/CN=$cn" -addext keyUsage=critical,digitalSignature \
    -addext extendedKeyUsage=codeSigning >"$dir/openssl.log" 2>&1
}

# signing_sign DIR DESCRIPTION IN OUT: IN signed with DIR's certificate as OUT (SHA-256); the
# signing tool's output on standard output.
signing_sign() {
  local dir=$1 description=$2 in=$3 out=$4
  osslsigncode sign -certs "$dir/signer.pem" -key "$dir/signer.key" -n "$description" -h sha256 \
    -in "$in" -out "$out"
}

# signing_verify DIR FILE: FILE's signature checked against DIR's certificate; the tool's report
# on standard output.
signing_verify() {
  local dir=$1 file=$2
  osslsigncode verify -CAfile "$dir/signer.pem" -in "$file"
}
