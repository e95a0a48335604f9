; calls.asm: three nested subroutine calls, as deep as the 4004's stack goes.
;
; JMS pushes the address after itself onto the three-slot address stack and
; jumps; BBL pops it, jumps back and loads its operand into the accumulator,
; which is how a subroutine hands a 4-bit result back.
;
; Run it with --until LEVEL3 (or step it in the window) to see the stack full:
; 002 007 00B, with the stack pointer back at slot 0. The slots are used in a
; circle: a fourth nested JMS would overwrite 002, the oldest return address,
; and the outermost return would be lost. On this machine BBL also clears the
; slot it pops.
; Result: R1 = 1, R2 = 2, R3 = 3, the stack empty (000 000 000).

        JMS LEVEL1      ; 000: pushes 002
        XCH R1          ; 002: R1 = what LEVEL1 returned
        JUN DONE        ; 003
LEVEL1: JMS LEVEL2      ; 005: pushes 007
        XCH R2          ; 007: R2 = what LEVEL2 returned
        BBL 1           ; 008: back to 002 with A = 1
LEVEL2: JMS LEVEL3      ; 009: pushes 00B; all three slots in use
        XCH R3          ; 00B: R3 = what LEVEL3 returned
        BBL 2           ; 00C: back to 007 with A = 2
LEVEL3: BBL 3           ; 00D: back to 00B with A = 3
DONE:   NOP
