; quodlet-asm --machine mcs4
; empty_return.asm: a BBL with nothing pushed on the Intel MCS-4 system.
;
; BBL moves back to the address register below the program counter's and
; goes where that one points, whether a JMS put an address there or not.
; After a reset all four hold 000, so the first BBL here returns to 000;
; each BBL leaves 002 behind in the register it leaves, and after four of
; them the program counter is back in the first, which holds 002. Intel's
; exerciser starts the same way.
;   quodlet-run --machine mcs4 --until DONE empty_return.asm
;   (or --stop-on-overflow, which stops before the first BBL)
; Result: R1 = 4 (four passes), accumulator 5, stack 002 002 002 002.

        INC R1          ; 000: counts the passes
        BBL 5           ; 001: nothing pushed
DONE:   JUN DONE        ; 002: reached after the fourth BBL
