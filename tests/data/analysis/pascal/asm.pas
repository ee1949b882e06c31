unit FastMath;

interface

function AddOne(X: Integer): Integer;
procedure Spin;

implementation

function AddOne(X: Integer): Integer; assembler;
asm
  // Intel syntax: the argument arrives in eax
  add eax, 1
  { a Pascal comment inside asm }
@@done:
  ret
end;

procedure Spin;
var
  N: Integer;
begin
  N := 10;
  asm
    mov ecx, N
  @loop: dec ecx
    jnz @loop
    rep movsb
    mov eax, $FF; xor ebx, ebx
    movdqa xmm0, [esi + 16]
    fld st(1)
    mov rax, 0x10
    movl %eax, %ebx
  end;
  if N > 0 then
    N := 0;
end;

end.
