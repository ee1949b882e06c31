unit Edge;
interface
implementation
procedure P;
begin
  x := 'never closed
  y := 1..2;
  z := 1.e;
  w := 12.5E+10 + 7e3;
  ? ! \ ` ~
  a := b.asm;
  {$IF Defined(FOO)} c := 1; {$IFEND}
  (*$I include.inc*)
end;
begin
  case x of
    1: ;
  end
end
{ this comment is never closed
end.
