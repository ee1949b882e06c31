#!/bin/sh
# Here-documents: plain, quoted, with tabs stripped, inside $( ), and unterminated.
cat <<EOF
Dear $USER,
  your home is $HOME
EOF
cat << 'END' > /tmp/out.txt
no $expansion here
END
if true; then
	cat <<-EOT | sed 's/^/> /'
	indented body
	EOT
fi
sql=$(cat <<"SQL"
SELECT 1;
SQL
)
cat <<\STOP
escaped delimiter
STOP
echo $((1 << 3)) shifted
cat <<<"a here-string"
cat <<NOPE
an unterminated here-document stays ordinary code
